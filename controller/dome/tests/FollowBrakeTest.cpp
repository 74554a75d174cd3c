// The follow decision against the simulated dome's mechanics behind a line that answers late:
// the count a tick reads is as old as the exchange, and a command takes effect when it
// arrives. The dome must settle once near its target, not stop and start around it.
#include "DomeGeometry.h"
#include "FollowBrake.h"
#include "SimulatedDome.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace orvan;

namespace {

struct FollowRun {
  int starts = 0;     // rotation commands that set the dome moving
  int reversals = 0;  // starts the other way after a stop
  double finalError = 0;
};

// `exchange` seconds for every reply, a tick every `interval` seconds after the last one ended;
// the dome turns at `speed` degrees a second; the target creeps with the sky.
FollowRun Follow(double exchange, double interval, double speed, float revolve, double startError, double seconds) {
  SimulatedDomeParameters p;
  p.maxSpeed = speed;
  p.acceleration = speed * 4 / 3;
  SimulatedDome dome(p);
  dome.azimuth = 180 + startError;
  double encoder = 0, t = 0;
  int16_t motion = 0, lastStart = 0;
  FollowBrake brake;
  FollowRun run;
  const auto pass = [&](double dt) {
    dome.advance(dt, motion, 0, true, encoder, {});
    t += dt;
  };
  while (t < seconds) {
    const double target = 180 + 0.004 * t;
    // The controller samples its count when the command arrives and answers `exchange` later.
    const float angle = static_cast<float>(dome.azimuth);
    pass(exchange);
    brake.reading(angle, motion, t, exchange);
    const float error = DomeAngleError(angle, static_cast<float>(target));
    const int16_t want = brake.decide(error, motion, revolve);
    if (want != motion) {
      motion = want;  // in effect on arrival; the reply takes another exchange
      if (want != 0) {
        ++run.starts;
        if (lastStart != 0 && want != lastStart) ++run.reversals;
        lastStart = want;
      }
      pass(exchange);
    }
    pass(interval);
  }
  run.finalError = DomeAngleError(static_cast<float>(dome.azimuth), static_cast<float>(180 + 0.004 * t));
  return run;
}

TEST(FollowBrake, ASlowControllerSettlesOnceWhereAQuickOneAlwaysDid) {
  struct Row {
    double exchange, speed;
  };
  for (const Row& r : {Row{0.02, 3}, Row{0.5, 3}, Row{0.5, 10}, Row{0.8, 10}, Row{1.2, 6}}) {
    SCOPED_TRACE(testing::Message() << "exchange " << r.exchange << " s, " << r.speed << " deg/s");
    for (double from : {-90.0, 40.0, 7.0}) {
      SCOPED_TRACE(from);
      const FollowRun run = Follow(r.exchange, 0.2, r.speed, 3, from, 120);
      // One start toward the target; at most one short correction the same way, never a
      // turn back and forth.
      EXPECT_LE(run.starts, 2);
      EXPECT_EQ(run.reversals, 0);
      // Stopped short at most by one look's travel.
      EXPECT_LE(std::fabs(run.finalError), 3 + r.speed * (2 * r.exchange + 0.2) + 0.5);
    }
  }
}

}  // namespace
