#pragma once
// When the following dome stops and starts, allowing for a controller that answers late. The
// count a tick reads is as old as the exchange that read it, and the next tick comes a whole
// tick's travel later: with a slow line and a fast dome the loop stopped past the target,
// turned back, stopped past it again, and hunted for ever. This brake predicts where the dome
// is now and where it will be at the next reading, stops early rather than late, and then
// widens the band it keeps by the travel it allowed for, so the dome settles once.
// On a quick line (replies within a tenth of a second) the plain tolerance decides as always.
#include <cstdint>

namespace orvan {

class FollowBrake {
 public:
  // One reading of the dome: its angle, the rotation under way, when the reading arrived and
  // how long its exchange took (seconds on one monotonic scale).
  void reading(float angle, int16_t motion, double at, double exchangeSeconds);
  // The rotation the loop should command for an error (dome - target, degrees, -180..180)
  // with the tolerance DOME_REVOLVE: -1, 1, or 0 to stand.
  int16_t decide(float error, int16_t motion, float revolve);
  // A reading that carried no count: speed and timing start again.
  void forget();

  double speed() const { return speed_; }  // degrees a second, while turning
  double band() const { return hold_; }    // widening of the band while standing, degrees

 private:
  bool haveLast_ = false;
  float lastAngle_ = 0;
  int16_t lastMotion_ = 0;
  double lastAt_ = 0;
  double speed_ = 0, top_ = 0, delay_ = 0, period_ = 0;
  double hold_ = 0;
};

}  // namespace orvan
