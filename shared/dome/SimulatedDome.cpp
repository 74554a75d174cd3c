#include "SimulatedDome.h"

#include <algorithm>
#include <cmath>

namespace orvan {

namespace {
double wrap360(double a) {
  a = std::fmod(a, 360.0);
  return a < 0 ? a + 360.0 : a;
}
}  // namespace

SimulatedDomeParameters SimulatedDomeParameters::atRate(double degreesPerSecond) const {
  SimulatedDomeParameters p = *this;
  if (!(degreesPerSecond > 0) || !std::isfinite(degreesPerSecond) || !(maxSpeed > 0)) return p;
  const double k = degreesPerSecond / maxSpeed;
  p.maxSpeed = degreesPerSecond;
  p.acceleration = acceleration * k * k;
  return p;
}

void SimulatedDome::advance(double seconds, int rotation, int slitMotor, bool counting,
                            double& encoder, const std::function<void(double)>& onIndex) {
  // Long gaps (a paused program) are cut to an hour: beyond that nothing new can happen.
  seconds = std::clamp(seconds, 0.0, 3600.0);
  constexpr double kStep = 0.02;
  while (seconds > 0) {
    const double dt = std::min(kStep, seconds);
    step(dt, rotation, slitMotor, counting, encoder, onIndex);
    seconds -= dt;
  }
}

void SimulatedDome::step(double dt, int rotation, int slitMotor, bool counting, double& encoder,
                         const std::function<void(double)>& onIndex) {
  const double target = rotation * p_.maxSpeed;
  const double dv = std::clamp(target - speed, -p_.acceleration * dt, p_.acceleration * dt);
  const double v0 = speed;
  speed += dv;
  if (std::fabs(speed) < 1e-9) speed = 0;
  const double move = (v0 + speed) * 0.5 * dt;

  if (move != 0) {
    // Distance to the index mark in the direction of travel.
    const double toIndex = move > 0 ? wrap360(p_.indexAzimuth - azimuth)
                                    : wrap360(azimuth - p_.indexAzimuth);
    const double before = encoder;
    if (counting) encoder += move * p_.countsPerDegree;
    if (counting && toIndex > 0 && toIndex <= std::fabs(move) && onIndex) {
      onIndex(before + (move > 0 ? toIndex : -toIndex) * p_.countsPerDegree);
    }
    azimuth = wrap360(azimuth + move);
  }

  if (slitMotor != 0) {
    slit = p_.slitSeconds <= 0 ? (slitMotor > 0 ? 1.0 : 0.0)
                               : std::clamp(slit + slitMotor * dt / p_.slitSeconds, 0.0, 1.0);
  }
}

}  // namespace orvan
