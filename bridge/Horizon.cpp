#include "Horizon.h"

#include "IniFile.h"
#include "Vb.h"

#include <cmath>

namespace orvan::bridge {

namespace {
// "+dd:mm:ss" or "Eddd:mm:ss": a hemisphere letter or sign, then fields at fixed places.
double sexagesimal(const QString& text, int degreeDigits) {
  const auto field = [&](int at, int n) { return vb::RoundEven(vb::Val(text.mid(at, n))); };
  return field(1, degreeDigits) * 3600 + field(2 + degreeDigits, 2) * 60 + field(5 + degreeDigits, 2);
}
}  // namespace

Horizon::Horizon(const QString& iniPath) {
  const auto read = [&](const char* key) { return ReadIni(iniPath, QStringLiteral("Location"), QString::fromLatin1(key)); };
  const QString lat = read("LATITUDE"), lon = read("LONGITUDE");
  site_.SiteLatitude = static_cast<int32_t>(sexagesimal(lat, 2) * (lat.startsWith(u'-') ? -1 : 1));
  site_.SiteLatitudeRadians = site_.SiteLatitude / ACal2::kArcsecPerRad;
  site_.SiteLongitude = static_cast<int32_t>(sexagesimal(lon, 3) * (lon.startsWith(u'W') ? -1 : 1));
  site_.TimeZoneSeconds = static_cast<int32_t>(vb::RoundEven(vb::Val(read("TIMEZONE")) * 3600.0));
}

bool Horizon::above(double raHours, double decDeg) const {
  double az = 0, alt = 0;
  return cal_.EquatorialToHorizontal(std::round(raHours * 3600.0), std::round(decDeg * 3600.0), az, alt);
}

}  // namespace orvan::bridge
