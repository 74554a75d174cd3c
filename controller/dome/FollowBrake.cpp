#include "FollowBrake.h"

#include "DomeGeometry.h"

#include <algorithm>
#include <cmath>

namespace orvan {

namespace {
// A controller on a quick line answers in a few milliseconds; from a tenth of a second on, the
// dome turns visibly between the count and the reply.
constexpr double kSlowExchange = 0.1;
}  // namespace

void FollowBrake::reading(float angle, int16_t motion, double at, double exchangeSeconds) {
  // Across midnight the clock starts again: that one reading only starts a new measure.
  delay_ = exchangeSeconds >= 0 && exchangeSeconds < 60 ? exchangeSeconds : 0;
  if (haveLast_ && at > lastAt_) {
    const double dt = at - lastAt_;
    // A pause of the loop (a question on the screen) is not the time between two looks.
    period_ = std::min(dt, 10.0);
    // Two readings of one run give its speed; the first of a run, from standing, at least a
    // part of it. The dome's full speed, once seen, is what a run that has just started will
    // reach: a short run is over before it could be measured.
    const double seen = std::fabs(DomeAngleError(angle, lastAngle_)) / dt;
    if (motion != 0 && lastMotion_ == motion) top_ = std::max(top_, seen);
    if (motion == 0) speed_ = 0;
    else if (lastMotion_ == motion) speed_ = seen;
    else speed_ = std::max(lastMotion_ == 0 ? seen : 0.0, top_);
  }
  haveLast_ = true;
  lastAngle_ = angle;
  lastMotion_ = motion;
  lastAt_ = at;
}

void FollowBrake::forget() {
  haveLast_ = false;
  speed_ = 0;
}

int16_t FollowBrake::decide(float error, int16_t motion, float revolve) {
  const int16_t toward = error < 0 ? 1 : -1;
  const double distance = std::fabs(error);
  if (motion == 0) {
    // Standing: only an error beyond the band, widened by what the last stop on a slow line
    // could not see, starts the dome again.
    if (distance <= revolve + hold_) return 0;
    hold_ = 0;
    return toward;
  }
  if (motion != toward) {
    hold_ = 0;
    return distance <= revolve ? 0 : toward;
  }
  // A quick line: the reading is where the dome is.
  if (delay_ < kSlowExchange) return distance <= revolve ? 0 : toward;
  // Turning toward the target on a slow line: where the dome is now (the reading is one
  // exchange old), and where it will be when the next reading arrives.
  const double now = distance - speed_ * delay_;
  if (now > revolve && now - speed_ * period_ >= -revolve) return toward;
  // Stop now, short rather than beyond: the band it then keeps covers the early stop and
  // what the dome may still travel unseen, so the stop holds.
  hold_ = std::max(0.0, now - revolve) + speed_ * (delay_ + period_);
  return 0;
}

}  // namespace orvan
