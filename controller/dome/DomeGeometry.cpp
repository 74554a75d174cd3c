#include "DomeGeometry.h"

#include <cmath>
#include <cstdlib>

namespace orvan {

namespace {
// The constants as the dome calculation has always used them: the rounded pi/2 decides on
// which side of 360 a telescope due south lands.
constexpr double kPi = 3.14159265358979;
constexpr double kTwoPi = 6.28318530717959;
constexpr double kHalfPi = 1.570796327;
constexpr double kArcsecPerRad = 648000.0 / kPi;
constexpr double kDegPerRad = 180.0 / kPi;
}  // namespace

bool DomeSlaveAzimuth(const DomeGeometry& g, int32_t a1, int32_t a2, float& azimuth) {
  const double R = g.DOME_RADIUS;
  if (g.rev0 == 0 || g.rev1 == 0 || R == 0) return false;

  const double H = a1 * kTwoPi / std::fabs(static_cast<double>(g.rev0));
  const double delta = a2 * kTwoPi / std::fabs(static_cast<double>(g.rev1));
  double h = H + kHalfPi;
  if (h < 0) h += kTwoPi;
  if (h > kTwoPi) h -= kTwoPi;
  const double phi = g.SiteLatitude / kArcsecPerRad;
  const double c = phi - kHalfPi;

  // Optical axis as a unit vector: east, south, up.
  const double x = std::cos(delta) * std::cos(h);
  const double y1 = std::cos(delta) * std::sin(h);
  const double z1 = std::sin(delta);
  const double s = y1 * std::cos(c) + z1 * std::sin(c);
  const double u = -y1 * std::sin(c) + z1 * std::cos(c);
  if (u == 0) return false;

  // Where the optical axis starts: the pivot moved along the declination axis, in dome radii.
  const double C = g.CENTER_OF_G_COLLMATION;
  const double u0 = (g.CENTER_OF_G_UD - C * std::cos(h) * std::cos(phi)) / R;
  const double s0 = (g.CENTER_OF_G_SN - C * std::cos(h) * std::sin(phi)) / R;
  const double e0 = (g.CENTER_OF_G_EW + C * std::sin(h)) / R;

  // Bisection on the height between the start point and the top of the dome (unit sphere).
  double lo = u0, hi = 1.0, east = 0, south = 0;
  for (int round = 0; round < 8; ++round) {
    const double mid = lo + (hi - lo) * 0.5;
    east = e0 + x * (mid - u0) / u;
    south = s0 + s * (mid - u0) / u;
    const double r2 = mid * mid + south * south + east * east;
    if (r2 > 1) hi = mid; else lo = mid;
  }
  if (east == 0 || !std::isfinite(east) || !std::isfinite(south)) return false;

  double A = std::atan(south / east);
  if (east < 0) A += kPi;
  A -= kHalfPi;
  if (A < 0) A += kTwoPi;
  azimuth = static_cast<float>(A * kDegPerRad);
  return true;
}

float DomeAngleError(float DomeAngle, float DomeTarget) {
  const float d = (DomeAngle - DomeTarget) * 10.0f;
  if (!std::isfinite(d)) return 0.0f;
  int64_t m = static_cast<int64_t>(std::nearbyint(static_cast<double>(d))) % 3600;
  if (m >= 1800) m -= 3600;
  else if (m < -1800) m += 3600;
  return static_cast<float>(static_cast<double>(m) / 10.0);
}

}  // namespace orvan
