#include "MeadeReplies.h"

#include "Vb.h"

#include <cmath>

namespace orvan::meade {

namespace {
// The release the version texts describe. Month names are the English ones the Meade uses,
// whatever the computer's language.
constexpr const char* kReleaseDate = "Dec 07 2026";
constexpr const char* kReleaseTime = "00:00:00";
}  // namespace

QString FirmwareDateReply() { return QString::fromLatin1(kReleaseDate) + u'#'; }
QString FirmwareTimeReply() { return QString::fromLatin1(kReleaseTime) + u'#'; }
QString FullVersionReply() {
  return QStringLiteral("OrvanMirel|") + kFirmwareVersion + u'|' + QString::fromLatin1(kReleaseDate) + u'@' +
         QString::fromLatin1(kReleaseTime) + u'#';
}

QString RaReply(double ra) {
  return vb::TimeText(static_cast<long long>(vb::RoundEven(ra))) + u'#';
}

QString DecReply(double dec) {
  const long long n = std::llabs(static_cast<long long>(vb::RoundEven(dec)));
  return QString(dec < 0 ? u'-' : u'+') + vb::Format(double(n / 3600), "00") + kDegreeMark +
         vb::Format(double((n % 3600) / 60), "00") + u':' + vb::Format(double(n % 60), "00") + u'#';
}

namespace {

// Sign, degrees with `degreeDigits` digits, '*', minutes, from a count of arc minutes.
QString degreesMinutes(long long minutes, const char* degreePattern) {
  const long long m = std::llabs(minutes);
  return QString(minutes < 0 ? u'-' : u'+') + vb::Format(double(m / 60), degreePattern) + u'*' +
         vb::Format(double(m % 60), "00") + u'#';
}

}  // namespace

QString LatitudeReply(int32_t siteLatitude) {
  return degreesMinutes(static_cast<long long>(vb::RoundEven(siteLatitude / 60.0)), "00");
}

QString LongitudeReply(int32_t siteLongitude) {
  // West positive, folded into -180 < value <= +180 degrees.
  long long m = static_cast<long long>(vb::RoundEven(-double(siteLongitude) / 60.0)) % 21600;
  if (m > 10800) m -= 21600;
  if (m <= -10800) m += 21600;
  return degreesMinutes(m, "000");
}

QString UtcOffsetReply(int32_t timeZoneSeconds) {
  const double hours = -double(timeZoneSeconds) / 3600.0;
  return QString(hours < 0 ? u'-' : u'+') + vb::Format(std::fabs(hours), "00.0") + u'#';
}

QString LocalTimeReply(double secondsSinceMidnight) {
  return vb::ClockText(secondsSinceMidnight) + u'#';
}

QString DateReply(const QDate& date) { return vb::DateTextMdy(date, u'/') + u'#'; }

QString TrackingRateReply(int16_t telState) {
  return telState == 0 ? QStringLiteral("00.0#") : QStringLiteral("60.1#");
}

QString DistanceBarReply(int16_t telState) {
  return telState == 2 ? QString(kDistanceBar) + u'#' : QStringLiteral("#");
}

}  // namespace orvan::meade
