// A night rehearsed with the real programs, as a user would run them: the demo observatory,
// the LX200GPS simulator, and OrvanMirel (offscreen) with the simulated USB dome. A
// planetarium program on the virtual port sets a target and slews; the mount slews and
// settles, the controller's main loop ends the goto, the dome turns to the telescope and
// settles. The controller is closed the way a service manager would (SIGTERM), which must
// write the dome's alignment and the layout and nothing else; started again, it must find the
// dome where it really stands.
#include "Night.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <csignal>

using namespace night;

namespace {

struct Controller {
  QProcess p;
  explicit Controller(const QString& folder) {
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.setProgram(folder + "/OrvanMirel");
    p.setWorkingDirectory(QDir::tempPath());  // the program folder is where the program lies
    p.setProcessChannelMode(QProcess::ForwardedChannels);
  }
  ~Controller() {
    if (p.state() != QProcess::NotRunning) {
      p.kill();
      p.waitForFinished(5000);
    }
  }
  void closeLikeAServiceManager() {
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
  }
};

// Where the telescope points now, seen from outside: the simulator's own position.
bool telescopeAzimuth(const MountSimulator& sim, double& az) {
  const auto s = sim.state();
  if (!s.contains("ra")) return false;
  double alt = 0;
  altAzFromSouth(s["ra"].toDouble() / 3600, s["dec"].toDouble() / 3600, az, alt);
  return true;
}

// The dome stands still within DOME_REVOLVE of the telescope (its status is at most a second
// old; the run-on of a stopped motor is part of what must fit).
bool domeSettledOnTelescope(const QString& folder, const MountSimulator& sim, double* apart = nullptr) {
  const auto st = boardStatus(folder);
  double az = 0;
  if (!telescopeAzimuth(sim, az)) return false;
  const double d = angleApart(st.value("azimuth").toDouble(), az);
  if (apart) *apart = d;
  return st.value("rotation") == "stopped" && st.value("speed").toDouble() == 0 && d <= kDomeRevolve + 0.2;
}

}  // namespace

TEST(RehearsedNight, PlanetariumGotoDomeFollowsShutdownKeepsTheAlignment) {
  QTemporaryDir dir;
  const QString folder = dir.path();
  const QString laidOut = layOutDemo(folder);
  ASSERT_TRUE(laidOut.isEmpty()) << laidOut.toStdString();
  const QByteArray iniAsShipped = slurp(folder + "/OrvanMirel.ini");
  const QString vport = folder + "/ports/COM" + QString::number(kVCom);

  MountSimulator sim(folder, kFastMount);
  ASSERT_TRUE(sim.start());

  {
    Controller ctl(folder);
    ctl.p.start();
    ASSERT_TRUE(ctl.p.waitForStarted(10000));
    // The virtual port is the last thing the start-up makes, after mount and dome connected.
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(vport); }, 40000)) << "no planetarium port";

    // A target two hours east of the meridian at +30 degrees, of date (SkyMap EPOCH=EOD).
    const double raHours = std::fmod(localSiderealHours() + 2 + 24, 24.0);
    const double decDeg = 30.0;
    double targetAz = 0, targetAlt = 0;
    altAzFromSouth(raHours, decDeg, targetAz, targetAlt);
    ASSERT_GT(targetAlt, 50);

    PlanetariumClient pl;
    ASSERT_TRUE(pl.open(vport));
    EXPECT_EQ(pl.ask(":Sr" + hmsText(raHours) + "#", 1), "1");
    EXPECT_EQ(pl.ask(":Sd" + dmsText(decDeg) + "#", 1), "1");
    EXPECT_EQ(pl.ask(":MS#", 1), "0");

    // The controller reports the slew (a distance bar) until its main loop has ended the goto.
    bool sawBar = false, ended = false;
    for (int i = 0; i < 240 && !ended; ++i) {
      const QByteArray bar = pl.ask(":D#");
      if (bar.size() > 1) sawBar = true;
      else if (bar == "#") ended = true;
      QThread::msleep(500);
    }
    EXPECT_TRUE(sawBar);
    ASSERT_TRUE(ended) << "the goto never ended";
    const auto mount = sim.state();
    EXPECT_EQ(mount["slewing"], "0");
    EXPECT_NEAR(mount["ra"].toDouble() / 3600, raHours, 2.0 / 3600);
    EXPECT_NEAR(mount["dec"].toDouble() / 3600, decDeg, 2.0 / 3600);
    // The planetarium program reads back where the telescope now points.
    EXPECT_NEAR(sexagesimal(pl.ask(":GR#")), raHours, 2.0 / 3600);
    EXPECT_NEAR(sexagesimal(pl.ask(":GD#")), decDeg, 2.0 / 3600);

    double apart = 999;
    EXPECT_TRUE(waitUntil([&] { return domeSettledOnTelescope(folder, sim, &apart); }, 120000, 500))
        << "dome " << apart << " degrees from the telescope";
    // It really travelled: the night began with the dome at home (north, 180).
    EXPECT_GT(angleApart(boardStatus(folder).value("azimuth").toDouble(), 180), 45);
    pl.close();

    ctl.closeLikeAServiceManager();
  }

  // Shutdown wrote the layout and the dome's alignment, and nothing else.
  const QByteArray iniAfter = slurp(folder + "/OrvanMirel.ini");
  const QStringList runState{"LastEnc", "DOME_Z_CW", "FormSizeChange"};
  EXPECT_EQ(withoutKeys(iniAfter, runState), withoutKeys(iniAsShipped, runState));
  EXPECT_EQ(iniValue(iniAfter, "PUBLIC", "FormSizeChange"), " 1");
  // LastEnc is the dome's azimuth in encoder counts (3600 a turn), where it really stands.
  const double standing = boardStatus(folder).value("azimuth").toDouble();
  const double lastEnc = iniValue(iniAfter, "DOME", "LastEnc").toDouble();
  EXPECT_LE(angleApart(lastEnc / 10, standing), 0.3) << "LastEnc " << lastEnc << ", dome at " << standing;
  EXPECT_FALSE(iniValue(iniAfter, "DOME", "DOME_Z_CW").isEmpty());

  // Started again (the board stayed powered), the controller knows where the dome is: it does
  // not chase a wrong azimuth but stays on the telescope.
  for (const bool powerCycle : {false, true}) {
    SCOPED_TRACE(powerCycle ? "after a power cycle of the board" : "board kept powered");
    // A power cycle forgets the count and the home memory; LastEnc alone must carry it.
    if (powerCycle) QFile::remove(folder + "/EPX30SC.state");
    const double before = boardStatus(folder).value("azimuth").toDouble();
    Controller ctl(folder);
    QFile::remove(vport);
    ctl.p.start();
    ASSERT_TRUE(ctl.p.waitForStarted(10000));
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(vport); }, 40000));
    QThread::msleep(4000);  // a few dome-loop ticks of following
    double apart = 999;
    EXPECT_TRUE(domeSettledOnTelescope(folder, sim, &apart)) << apart;
    EXPECT_LE(angleApart(boardStatus(folder).value("azimuth").toDouble(), before), kDomeRevolve);
    ctl.closeLikeAServiceManager();
    EXPECT_EQ(withoutKeys(slurp(folder + "/OrvanMirel.ini"), runState), withoutKeys(iniAsShipped, runState));
  }
}

int main(int argc, char** argv) {
  // The demo observatory keeps Japan time, its site's zone: the controller takes the
  // computer's clock as the site's local time.
  UseSiteTimeZone();
  UseFastDome();
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
