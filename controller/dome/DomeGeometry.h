#pragma once
// Where the telescope's optical axis leaves the dome, and how far the dome is from it.
// Azimuths are degrees from south through west (south 0, west 90, north 180, east 270),
// increasing with DomeRotation(1).
#include <cstdint>

namespace orvan {

// The mount and dome as the settings describe them (section DOME), lengths in any one unit.
struct DomeGeometry {
  int32_t rev0 = 0;            // AxisRev(0): hour-axis counts per turn
  int32_t rev1 = 0;            // AxisRev(1): declination-axis counts per turn
  int32_t SiteLatitude = 0;    // arcseconds, north positive
  float DOME_RADIUS = 0;
  float CENTER_OF_G_EW = 0;    // pivot east of the dome centre
  float CENTER_OF_G_SN = 0;    // pivot south of the dome centre
  float CENTER_OF_G_UD = 0;    // pivot above the dome centre
  float CENTER_OF_G_COLLMATION = 0;  // optical axis from the pivot along the declination axis
};

// Dome azimuth at which the optical axis of a mount at axis counts (a1, a2) meets the dome,
// found by eight rounds of bisection on the height. Writes `azimuth` and returns true; returns
// false and leaves `azimuth` alone when there is no answer: a zero radius or counts per turn,
// an optical axis exactly horizontal, or a meeting point straight north or south of the
// centre on the east-west line (the arctangent divides by the east component).
bool DomeSlaveAzimuth(const DomeGeometry& g, int32_t a1, int32_t a2, float& azimuth);

// The dome's pointing error, DomeAngle - DomeTarget folded into -180.0 .. 179.9 degrees in
// steps of 0.1; positive when the dome is ahead in the direction of increasing azimuth.
float DomeAngleError(float DomeAngle, float DomeTarget);

}  // namespace orvan
