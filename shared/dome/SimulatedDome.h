#pragma once
// The mechanics of the simulated dome: a rotating shell driven by a motor that needs time to
// reach its speed and coasts on after the relay drops (run-on), a slit that takes a fixed time
// from closed to open, and an incremental encoder with an index mark once a turn.
#include <functional>

namespace orvan {

struct SimulatedDomeParameters {
  double maxSpeed = 3.0;       // degrees per second
  double acceleration = 4.0;   // degrees per second squared; run-on from full speed about 1.1 degrees
  double slitSeconds = 30.0;   // closed to open; 0 = at once
  double indexAzimuth = 200.0; // true azimuth of the encoder's index mark
  double countsPerDegree = 10; // signed: the encoder's count change per degree of azimuth

  // The same dome with a motor of `degreesPerSecond`: the acceleration grows with the square
  // of the speed-up, so starting and the run-on after the relay drops cover as many degrees
  // as before, only sooner. Rates that are not positive numbers leave the dome as it is.
  SimulatedDomeParameters atRate(double degreesPerSecond) const;
};

class SimulatedDome {
 public:
  explicit SimulatedDome(const SimulatedDomeParameters& p) : p_(p) {}

  // Runs the mechanics for `seconds` with the given motor commands (rotation -1/0/1, slit
  // -1/0/1). The encoder count is advanced only while `counting`; `onIndex` receives the count
  // at the moment the index mark passes.
  void advance(double seconds, int rotation, int slitMotor, bool counting, double& encoder,
               const std::function<void(double countAtIndex)>& onIndex);

  double azimuth = 150.0;  // true azimuth, degrees from south through west, 0 <= az < 360
  double speed = 0.0;      // degrees per second, positive = increasing azimuth
  double slit = 0.0;       // 0 closed .. 1 open

  const SimulatedDomeParameters& parameters() const { return p_; }

 private:
  void step(double dt, int rotation, int slitMotor, bool counting, double& encoder,
            const std::function<void(double)>& onIndex);
  SimulatedDomeParameters p_;
};

}  // namespace orvan
