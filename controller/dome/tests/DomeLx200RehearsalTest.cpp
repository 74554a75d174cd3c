// The dome following a real mount conversation: the LX200 simulator program on a
// pseudo-terminal, the LX200 driver polling it, the dome loop on the simulated board, all on
// their timers in real time. The dome's true azimuth (from the board's dome) must match the
// azimuth each goto was aimed at, and park must send it to HomePosition.
#include "ACal2.h"
#include "DomeLoop.h"
#include "FrmOrvanOS.h"
#include "Prompter.h"
#include "QtSerialLink.h"
#include "RecordingDomeView.h"
#include "RecordingMountHost.h"
#include "Shared.h"
#include "SimulatedEpx30sc.h"
#include "frmLX200.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>

using namespace orvan;

namespace {

constexpr int kCom = 9;
constexpr float kRevolve = 2.5f;

QString simProgram() {
  const QByteArray dir = qgetenv("ORVAN_BIN_DIR");
  return (dir.isEmpty() ? QCoreApplication::applicationDirPath() : QString::fromLocal8Bit(dir)) + "/orvan-sim";
}

double offBy(double a, double b) {
  double d = std::fmod(a - b, 360.0);
  if (d > 180) d -= 360;
  if (d < -180) d += 360;
  return std::fabs(d);
}

// The main window's part: slew notices go to the dome loop.
class Host final : public RecordingMountHost {
 public:
  DomeLoop* loop = nullptr;
  void TelSlewing(int code) override {
    RecordingMountHost::TelSlewing(code);
    if (loop) loop->TelSlewing(code);
  }
};

TEST(DomeWithLx200, FollowsGotosAndParks) {
  static int argc = 1;
  static char name[] = "dome_lx200_rehearsal";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) static QCoreApplication app(argc, argv);

  QTemporaryDir dir;
  const QString ini = dir.path() + "/OrvanMirel.ini";
  {
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Location]\r\nLONGITUDE=E139:44:20\r\nLATITUDE=+35:40:00\r\nTIMEZONE=9.0\r\n"
            "[DOME]\r\nENC3_PULSES= 3600\r\nUpDown= 1\r\nSLIT_TIMER= 5\r\nLastEnc= 0\r\n"
            "[RELAY]\r\n$021=10\r\n$022=11\r\n$023=0*\r\n$024=**10\r\n$025=**01\r\n$026=**00\r\n");
  }

  QProcess sim;
  sim.setProgram(simProgram());
  sim.setArguments({"lx200gps", "--dir", dir.path(), "--com", QString::number(kCom), "--slew-rate", "30", "--settle", "0.3"});
  sim.start();
  ASSERT_TRUE(sim.waitForStarted(5000)) << qPrintable(sim.errorString());
  while (!sim.canReadLine()) ASSERT_TRUE(sim.waitForReadyRead(5000)) << sim.readAllStandardError().constData();
  ASSERT_TRUE(sim.readLine().startsWith("ready "));

  ScriptedPrompter prompter;
  ScopedPrompter scopedPrompter(prompter);
  SharedState s;
  s.site.SiteLatitude = 35 * 3600 + 40 * 60;
  s.site.SiteLatitudeRadians = s.site.SiteLatitude / (648000.0 / ACal2::kPi);
  s.site.SiteLongitude = 139 * 3600 + 44 * 60 + 20;
  s.site.TimeZoneSeconds = 9 * 3600;
  s.site.MountType = "G";
  const char* relays[] = {"10", "11", "0*", "**10", "**01", "**00"};
  for (int k = 0; k < 6; ++k) s.dome.RelayTable[21 + k] = QString(relays[k]).leftJustified(32);
  s.mount.AxisRev[2] = 3600;
  s.domeSettings.UpDown = true;
  s.domeSettings.SLIT_TIMER = 5;
  s.domeSettings.DOME_REVOLVE = kRevolve;
  s.domeSettings.HomePosition = 270;
  s.domeSettings.DOME_RADIUS = 1;

  ACal2 cal(s.site, s.mount);
  Host host;
  host.commPort = "COM" + QString::number(kCom);
  frmLX200 mount(s, host, cal, ini, std::make_unique<QtSerialLink>(dir.path()));
  mount.setModelText("LX200GPS");

  // A brisk dome so the rehearsal takes seconds: 10 degrees a second, 1.25 degrees run-on.
  SimulatedBoardConfig config = SimulatedBoardConfig::fromSettings(ini);
  config.dome.maxSpeed = 10;
  config.dome.acceleration = 40;
  SimulatedEpx30sc board(dir.path(), config);
  board.setDomeAzimuth(0);  // LastEnc 0: the dome stands at azimuth 0
  FrmOrvanOS dome(s, board, ini);
  test::RecordingDomeView view;
  DomeLoop loop(s, cal, view, ini);
  loop.setDriver(&dome);
  host.loop = &loop;

  ASSERT_TRUE(mount.cmdConnect(true));
  loop.StartUp();
  ASSERT_TRUE(loop.connected());
  ASSERT_TRUE(s.dome.DomeAuto);

  QTimer mainLoop, domeLoop, oneSec;
  QObject::connect(&mainLoop, &QTimer::timeout, [&] { mount.cmdStatus(); });
  QObject::connect(&domeLoop, &QTimer::timeout, [&] { loop.DomeLoopTimer_Timer(); });
  QObject::connect(&oneSec, &QTimer::timeout, [&] { loop.OneSecTimer_Timer(); });
  mainLoop.start(250);
  domeLoop.start(loop.LoopInterval());
  oneSec.start(1000);

  // Until the dome stands within the tolerance of `azimuth` (true azimuth), at most 60 s.
  auto settlesAt = [&](double azimuth) {
    for (int i = 0; i < 600; ++i) {
      Wait(100);
      board.advanceNow();
      if (s.dome.DomeMotion == 0 && board.dome().speed == 0 && offBy(board.dome().azimuth, azimuth) <= kRevolve + 0.2)
        return true;
    }
    return false;
  };
  auto gotoAltAz = [&](double azFromSouth, double alt) {
    double ra = 0, dec = 0;
    cal.HorizontalToEquatorial(azFromSouth, alt, ra, dec);
    const int before = host.linkOks;
    EXPECT_TRUE(mount.cmdGoto(ra, dec, "EOD"));
    EXPECT_EQ(s.dome.DomeTargetMode, 1);
    for (int i = 0; i < 600 && host.linkOks == before; ++i) Wait(100);
    EXPECT_GT(host.linkOks, before) << "goto did not end";
  };

  // West of the meridian, then east of it (the German mount turns over the pole).
  gotoAltAz(40, 55);
  EXPECT_TRUE(settlesAt(40)) << board.dome().azimuth;
  EXPECT_EQ(s.dome.DomeTargetMode, 0);
  // Following while tracking: the error stays within the tolerance.
  double worst = 0;
  for (int i = 0; i < 30; ++i) {
    Wait(100);
    worst = std::max(worst, std::fabs(double(s.dome.DomeError)));
  }
  EXPECT_LE(worst, kRevolve + 0.15);

  gotoAltAz(300, 40);
  EXPECT_TRUE(settlesAt(300)) << board.dome().azimuth;

  // The slit on its timer.
  loop.btnDomeSlit_MouseDown(0);
  for (int i = 0; i < 70 && s.dome.SlitState != 2; ++i) Wait(100);
  EXPECT_EQ(s.dome.SlitState, 2);
  EXPECT_GE(board.dome().slit, 0.75);

  // Park: the dome goes to its home position.
  s.dome.DomeTargetMode = 2;
  EXPECT_TRUE(settlesAt(270)) << board.dome().azimuth;

  mainLoop.stop();
  domeLoop.stop();
  oneSec.stop();
  loop.Disconnect();
  mount.cmdConnect(false);
  EXPECT_TRUE(prompter.asked().empty());
  sim.terminate();
  if (!sim.waitForFinished(5000)) sim.kill();
}

}  // namespace
