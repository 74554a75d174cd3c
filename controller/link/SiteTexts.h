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
// Hours to add to local time for universal time -> the time zone east of UT, to the nearest
// quarter hour (the zones in use; INDI sends Nepal's 5.75 as 5.8). Whole zones as "#00":
// -9.0 gives "09", +5.0 gives "-05"; the others with the decimals they need, so that the
// settings load reads them back exactly: +5.5 gives "-5.5", -5.75 gives "5.75".
QString TimeZoneText(double utcOffsetHours);

}  // namespace orvan::meade
