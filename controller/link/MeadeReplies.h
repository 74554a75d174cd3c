#pragma once
// The reply texts of the LX200 queries, in the long Meade format the planetarium programs parse.
// The degree mark of the declination is U+FF9F, which the virtual port sends as the byte 0xDF.
#include <QDate>
#include <QString>
#include <cstdint>

namespace orvan::meade {

inline constexpr QChar kDegreeMark = u'\uFF9F';
// The bar of ":D#" while the mount slews (the block character of the Meade handset).
inline constexpr QChar kDistanceBar = u'\x7F';

// What the controller reports as its firmware: ":GVN#" and ":GVP#" give the version, ":GVD#"
// and ":GVT#" the date ("mmm dd yyyy#") and time ("HH:MM:SS#") of that release, ":GVF#" all
// of it in one text, fields split by '|' as the Meade handsets do.
inline const QString kFirmwareVersion = QStringLiteral("2.40");
QString FirmwareDateReply();
QString FirmwareTimeReply();
QString FullVersionReply();

// ":GR#": "hh:mm:ss#" from seconds of time, rounded to the second. Also the layout of the
// local sidereal time (":GS#").
QString RaReply(double ra);
// ":GD#": sign, degrees, U+FF9F, minutes ":" seconds, "#", from arcseconds.
QString DecReply(double dec);
// ":Gt#": site latitude "sDD*MM#" from arcseconds, north positive.
QString LatitudeReply(int32_t siteLatitude);
// ":Gg#": site longitude "sDDD*MM#", counted westward as the Meade does (east is negative),
// from the controller's east-positive arcseconds.
QString LongitudeReply(int32_t siteLongitude);
// ":GG#": hours to add to local time to get universal time, "sHH.H#".
QString UtcOffsetReply(int32_t timeZoneSeconds);
// ":GL#": local time "HH:MM:SS#".
QString LocalTimeReply(double secondsSinceMidnight);
// ":GC#": local date "MM/DD/YY#".
QString DateReply(const QDate& date);
// ":GT#": the tracking frequency, "60.1#" while the mount tracks, "00.0#" in stand-by.
QString TrackingRateReply(int16_t telState);
// ":D#": a bar and "#" while the mount slews (TelState 2), "#" alone otherwise.
QString DistanceBarReply(int16_t telState);

}  // namespace orvan::meade
