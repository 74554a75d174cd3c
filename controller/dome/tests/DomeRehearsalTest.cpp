// A night on the simulated board: the home search, following a tracking telescope, a goto
// across the meridian, a hand move, the slit on its timer, parking, and a restart that finds
// the dome where it was left. The mount is played by the test (position, axis counts and
// altitude as a mount driver reports them); the dome's true azimuth comes from the simulated
// board, and the azimuth it should have from the textbook hour-angle formula.
#include "ACal2.h"
#include "Clock.h"
#include "DomeLoop.h"
#include "FrmOrvanOS.h"
#include "IniFile.h"
#include "ProgramEnd.h"
#include "Prompter.h"
#include "RecordingDomeView.h"
#include "SimulatedEpx30sc.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace orvan;

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;
constexpr float kRevolve = 2.0f;
// The loop moves the dome once the error exceeds the tolerance, which it sees in steps of 0.1.
constexpr double kFollowSlack = kRevolve + 0.15;

double wrap180(double a) {
  a = std::fmod(a, 360.0);
  if (a >= 180) a -= 360;
  if (a < -180) a += 360;
  return a;
}

class Rehearsal : public ::testing::Test {
 protected:
  Rehearsal() {
    static int argc = 1;
    static char name[] = "dome_rehearsal";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) static QCoreApplication app(argc, argv);
    ini = dir.path() + "/OrvanMirel.ini";
    // The index mark sits at 200 degrees: 2000 counts from the encoder's zero.
    QFile f(ini);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[DOME]\r\nENC3_PULSES= 3600\r\nUpDown= 1\r\nSLIT_TIMER= 10\r\nDOME_Z_CW= 2000\r\n"
            "[RELAY]\r\n$021=10\r\n$022=11\r\n$023=0*\r\n$024=**10\r\n$025=**01\r\n$026=**00\r\n");
    f.close();
    config = SimulatedBoardConfig::fromSettings(ini);
    config.dome.indexAzimuth = 200;
  }

  // What the controller's settings load puts into the shared state.
  void loadState(SharedState& st, bool homeSwitch) {
    for (int k = 21; k <= 26; ++k) {
      st.dome.RelayTable[k] = ReadIni(ini, "RELAY", QStringLiteral("$0%1").arg(k)).leftJustified(32, u' ', true);
    }
    st.mount.AxisRev[2] = 3600;
    st.domeSettings.UpDown = true;
    st.domeSettings.SLIT_TIMER = 10;
    st.domeSettings.DOME_REVOLVE = kRevolve;
    st.domeSettings.HomePosition = 90;
    st.domeSettings.Dome_LimitSWC = homeSwitch;
    st.domeSettings.DOME_RADIUS = 1;
    st.site.SiteLatitude = 35 * 3600;
    st.site.SiteLatitudeRadians = 35 * kDeg;
    st.site.SiteLongitude = 139 * 3600 + 42 * 60;
    st.site.TimeZoneSeconds = 9 * 3600;
    st.site.MountType = "G";
    st.mount.AxisRev[0] = st.mount.AxisRev[1] = 1296000;
  }

  struct Night {
    Night(Rehearsal& r, bool homeSwitch)
        : board(r.dir.path(), r.config, [&r] { return r.now; }), os(s, board, r.ini), loop(s, acal, view, r.ini) {
      r.loadState(s, homeSwitch);
      loop.setDriver(&os);
      // Time passes inside the loop's waits as it does on the window: timers keep firing.
      loop.setWait([&r, this](long ms) { r.run(*this, ms / 1000.0); });
    }
    SharedState s;
    ACal2 acal{s.site, s.mount};
    test::RecordingDomeView view;
    SimulatedEpx30sc board;
    FrmOrvanOS os;
    DomeLoop loop;
  };

  // The mount as a driver's status poll reports it: axis counts folded to half a turn.
  void reportMount(Night& n) {
    int32_t c1 = 0, c2 = 0;
    n.acal.TargetToAxisPosition(n.s.mount.TelRA, n.s.mount.TelDec, c1, c2);
    for (int k = 0; k < 2; ++k) {
      int32_t v = k == 0 ? c1 : c2;
      if (v > n.s.mount.AxisRev[k] / 2) v -= n.s.mount.AxisRev[k];
      n.s.mount.AxisDisp[k] = v;
    }
    double az = 0, alt = 0;
    n.acal.EquatorialToHorizontal(n.s.mount.TelRA, n.s.mount.TelDec, az, alt);
    n.s.mount.TelAltitude = std::round(alt / kDeg * 10) / 10;
  }

  // Runs the night for `seconds`: the mount moves, the dome loop ticks every 200 ms and the
  // one-second timer every second; `each` sees every tick.
  void run(Night& n, double seconds, const std::function<void()>& each = {}) {
    for (double t = 0; t < seconds; t += 0.2) {
      now += 0.2;
      clock.advance(0.2);
      if (slew) slew();
      reportMount(n);
      n.loop.DomeLoopTimer_Timer();
      if (++ticks % 5 == 0) n.loop.OneSecTimer_Timer();
      if (each) each();
    }
  }

  double hourAngleHours(Night& n, double ra) const {
    return wrap180((n.acal.LocalSiderealTime() - ra) / 240.0) / 15.0;
  }
  double slitAzimuth(Night& n, double ra, double dec) const {
    const double H = hourAngleHours(n, ra) * 15 * kDeg, d = dec / 3600 * kDeg, p = 35 * kDeg;
    double A = std::atan2(std::sin(H), std::cos(H) * std::sin(p) - std::tan(d) * std::cos(p)) / kDeg;
    return A < 0 ? A + 360 : A;
  }
  double domeOffTarget(Night& n, double wanted) {
    n.board.advanceNow();
    return std::fabs(wrap180(n.board.dome().azimuth - wanted));
  }

  QTemporaryDir dir;
  QString ini;
  SimulatedBoardConfig config;
  double now = 5000;
  int ticks = 0;
  ManualClock clock{QDate(2024, 3, 20), 21 * 3600};
  ScopedClock scopedClock{clock};
  ScriptedPrompter prompter;
  ScopedPrompter scopedPrompter{prompter};
  std::function<void()> slew;
};

TEST_F(Rehearsal, TheDomeFollowsTheTelescopeThroughTheNight) {
  int ended = 0;
  auto previous = SetEndProgramHook([&] { ++ended; });
  auto night = std::make_unique<Night>(*this, true);
  Night& n = *night;
  n.board.setDomeAzimuth(120);
  auto& m = n.s.mount;
  // Two hours west of the meridian, declination +20: tracking.
  m.TelRA = std::fmod(n.acal.LocalSiderealTime() - 7200 + 86400, 86400);
  m.TelDec = 20 * 3600;
  reportMount(n);

  prompter.push(Answer::Ok);  // search the home
  n.loop.StartUp();
  ASSERT_TRUE(n.loop.connected());
  EXPECT_FALSE(n.os.simulationNotice().isEmpty());
  run(n, 150, [&] {});
  ASSERT_EQ(n.s.dome.DomeZFlag, kTrue) << "home not found";
  EXPECT_EQ(m.AxisOfs[2], 2000);
  ASSERT_TRUE(n.s.dome.DomeAuto);

  // Settle, then track for a few minutes: the error stays within the tolerance.
  run(n, 120);
  double worst = 0, worstTrue = 0;
  run(n, 240, [&] {
    worst = std::max(worst, std::fabs(double(n.s.dome.DomeError)));
    if (n.s.dome.DomeMotion == 0) worstTrue = std::max(worstTrue, domeOffTarget(n, slitAzimuth(n, m.TelRA, m.TelDec)));
  });
  EXPECT_LE(worst, kFollowSlack);
  EXPECT_LE(worstTrue, kFollowSlack + 0.1);

  // A goto three hours east of the meridian, over the pole of the German mount.
  const double ra0 = m.TelRA, dec0 = m.TelDec;
  m.GotoRA = std::fmod(n.acal.LocalSiderealTime() + 3 * 3600, 86400);
  m.GotoDec = 10 * 3600;
  n.loop.TelSlewing(1);
  double progress = 0;
  slew = [&] {
    progress = std::min(1.0, progress + 0.2 / 40);
    m.TelRA = ra0 + (wrap180((m.GotoRA - ra0) / 240) * 240) * progress;
    m.TelDec = dec0 + (m.GotoDec - dec0) * progress;
  };
  run(n, 40);
  slew = nullptr;
  m.TelRA = m.GotoRA;
  m.TelDec = m.GotoDec;
  n.loop.TelSlewing(2);
  EXPECT_EQ(n.s.dome.DomeTargetMode, 0);
  run(n, 120);
  EXPECT_LE(domeOffTarget(n, slitAzimuth(n, m.TelRA, m.TelDec)), kFollowSlack + 0.1);

  // The observer nudges the telescope 40 minutes of right ascension by hand.
  m.TelRA -= 2400;
  n.loop.TelSlewing(0);
  run(n, 60);
  EXPECT_LE(domeOffTarget(n, slitAzimuth(n, m.TelRA, m.TelDec)), kFollowSlack + 0.1);

  // The slit opens on its timer and closes again. The motor runs at least SLIT_TIMER
  // seconds (at most one more), so a slit that takes SLIT_TIMER is fully open.
  n.loop.btnDomeSlit_MouseDown(0);
  run(n, 12);
  EXPECT_EQ(n.s.dome.SlitState, 2);
  const double opened = n.board.dome().slit;
  EXPECT_DOUBLE_EQ(opened, 1.0);
  run(n, 5);
  EXPECT_DOUBLE_EQ(n.board.dome().slit, opened);  // the motor was stopped, nothing moves
  n.loop.btnDomeSlit_MouseDown(1);
  run(n, 12);
  EXPECT_EQ(n.s.dome.SlitState, -2);
  EXPECT_DOUBLE_EQ(n.board.dome().slit, 0.0);

  // Park: the dome goes to its home position and stays there when the mount's goto ends.
  n.s.dome.DomeTargetMode = 2;
  n.loop.TelSlewing(2);
  run(n, 150);
  EXPECT_LE(domeOffTarget(n, 90), kFollowSlack);

  // Put away, then started again without a power cycle: the alignment is restored.
  n.loop.Disconnect();
  const double parkedAt = n.board.dome().azimuth;
  night.reset();
  auto again = std::make_unique<Night>(*this, true);
  prompter.push(Answer::Cancel);  // no search this time
  again->loop.StartUp();
  run(*again, 1);
  EXPECT_NEAR(wrap180(again->s.dome.DomeAngle - parkedAt), 0, 0.15);
  again->loop.Disconnect();
  again.reset();

  // After a power cycle the count starts from 0, and the stored azimuth still applies to a
  // dome that has not moved.
  QFile::remove(dir.path() + "/EPX30SC.state");
  auto third = std::make_unique<Night>(*this, false);
  third->loop.StartUp();
  run(*third, 1);
  EXPECT_NEAR(wrap180(third->s.dome.DomeAngle - parkedAt), 0, 0.15);
  third->loop.Disconnect();
  SetEndProgramHook(previous);
  EXPECT_EQ(ended, 0);
}

}  // namespace
