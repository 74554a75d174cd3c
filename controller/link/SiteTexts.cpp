#include "SiteTexts.h"

#include "Vb.h"

#include <cmath>

namespace orvan::meade {
namespace {

QString fields(long long n, const char* degreePattern) {
  return vb::Format(double(n / 3600), degreePattern) + u':' + vb::Format(double((n % 3600) / 60), "00") +
         u':' + vb::Format(double(n % 60), "00");
}

}  // namespace

QString LongitudeText(double westArcseconds) {
  long long l = static_cast<long long>(vb::RoundEven(westArcseconds)) % 1296000;
  if (l < 0) l += 1296000;  // an east longitude sent with a minus sign
  if (l <= 648000) return u'W' + fields(l, "000");
  return u'E' + fields(1296000 - l, "000");
}

QString LatitudeText(double arcseconds) {
  const long long n = std::llabs(static_cast<long long>(vb::RoundEven(arcseconds)));
  return QString(arcseconds < 0 && n > 0 ? u'-' : u'+') + fields(n, "00");
}

QString TimeZoneText(double utcOffsetHours) {
  const long long quarters = -static_cast<long long>(vb::RoundEven(utcOffsetHours * 4));
  if (quarters % 4 == 0) return vb::Format(double(quarters / 4), "#00");
  QString text = QString::number(quarters / 4.0, 'f', 2);
  while (text.endsWith(u'0')) text.chop(1);
  return text;
}

}  // namespace orvan::meade
