#pragma once
// The LOCATION texts a planetarium program's site commands write into the settings file. The
// settings load reads them by character position (hemisphere letter or sign first, then fixed
// two- and three-digit fields), so every text keeps exactly that layout.
#include <QString>

namespace orvan::meade {

// Meade longitude (arcseconds counted westward; negative = east) -> "E139:44:00" / "W070:40:00".
QString LongitudeText(double westArcseconds);
// Latitude in arcseconds, north positive -> "+35:40:00" / "-33:52:10".
QString LatitudeText(double arcseconds);
// Hours to add to local time for universal time -> the time zone east of UT in whole hours,
// "#00": -9.0 gives "09", +5.5 gives "-06" (ties to even).
QString TimeZoneText(double utcOffsetHours);

}  // namespace orvan::meade
