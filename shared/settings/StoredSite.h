#pragma once
// The site as OrvanMirel.ini keeps it ([Location]): the latitude "+35:39:29" (sign, then
// degrees, minutes, seconds at fixed places) and the longitude "E139:44:30" (hemisphere, three
// degree digits, then minutes and seconds), read the one way both programs read them.
#include <QString>
#include <cstdint>

namespace orvan {

// Arcseconds, north positive. A field that is not a number counts as 0.
int32_t StoredLatitudeSeconds(const QString& text);
// Arcseconds, east positive.
int32_t StoredLongitudeSeconds(const QString& text);

// The stored site of a settings file, in degrees (north and east positive) and metres.
struct StoredSite {
  double latitude = 0;
  double longitude = 0;
  double height = 0;
};
StoredSite ReadStoredSite(const QString& iniPath);

}  // namespace orvan
