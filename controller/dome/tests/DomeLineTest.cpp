// The dome loop with the serial dome driver on a real pseudo-terminal, against the simulated
// Quarn controller (orvan-sim quarn): count replies that go bad while the dome follows, the
// orderly end with both motors running, and a controller that answers late. The simulator's
// state line is where the dome really is; its log is what reached the controller.
#include "ACal2.h"
#include "DomeLoop.h"
#include "FrmQuarn.h"
#include "IniFile.h"
#include "Prompter.h"
#include "RecordingDomeView.h"
#include "SimControl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

using namespace orvan;

namespace {

constexpr int kCom = 7;

class DomeOnALine : public ::testing::Test {
 protected:
  DomeOnALine() {
    static int argc = 1;
    static char name[] = "dome_line_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) static QCoreApplication app(argc, argv);
    ini = dir.path() + "/OrvanMirel.ini";
    QFile f(ini);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    // The dome reads 100.0 at the simulator's count 0 and is to turn to 150.0.
    f.write("[DOME]\r\nController= 1\r\nCommPort=7\r\nENC3_PULSES= 3600\r\nUpDown= 1\r\nSLIT_TIMER= 30\r\n"
            "DOME_Z_CW= 1000\r\nDome_Auto= 0\r\nDome_LimitSWC= 0\r\n"
            "[RELAY]\r\n$021=10\r\n$022=11\r\n$023=0*\r\n$024=****************10\r\n"
            "$025=****************01\r\n$026=****************00\r\n");
    f.close();
    s.domeSettings.Controller = 1;
    s.domeSettings.CommPort = kCom;
    s.domeSettings.UpDown = true;
    s.domeSettings.DOME_REVOLVE = 3;
    s.domeSettings.HomePosition = 150;
    s.domeSettings.SLIT_TIMER = 30;
    s.mount.AxisRev[2] = 3600;
    s.mount.TelAltitude = 45.0;
    s.dome.DomeInUse = true;
    for (int k = 21; k <= 26; ++k)
      s.dome.RelayTable[k] = ReadIni(ini, "RELAY", QStringLiteral("$0%1").arg(k)).leftJustified(32, u' ', true);
  }
  ~DomeOnALine() override {
    loop.reset();
    driver.reset();
    sim.terminate();
    sim.waitForFinished(5000);
  }
  void start(const QStringList& more = {}) {
    sim.start(orvan::sim::test::SimProgram(),
              QStringList{"quarn", "--dir", dir.path(), "--com", QString::number(kCom), "--dome-rate", "10", "--log",
                          dir.path() + "/quarn.log"} + more);
    ASSERT_TRUE(sim.waitForReadyRead(5000) && sim.readLine().startsWith("ready ")) << sim.readAllStandardError().constData();
    driver = std::make_unique<FrmQuarn>(s, ini, QuarnHost{}, nullptr, dir.path());
    loop = std::make_unique<DomeLoop>(s, acal, view, ini);
    loop->setDriver(driver.get());
    loop->StartUp();
    ASSERT_TRUE(loop->connected());
    ASSERT_TRUE(s.dome.DomeAuto);
    s.dome.DomeTargetMode = 2;
  }
  QByteArray state(const QByteArray& key) { return orvan::sim::test::SimState(dir.path(), kCom, key); }
  QByteArray control(const QString& words) { return orvan::sim::test::SimControl(dir.path(), kCom, words); }
  // Ticks the loop as the window's timer does (every 200 ms) until `done`, at most `seconds`.
  bool tickUntil(const std::function<bool()>& done, double seconds) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
      if (t.elapsed() > seconds * 1000) return false;
      loop->DomeLoopTimer_Timer();
      QCoreApplication::processEvents();
      QThread::msleep(200);
    }
    return true;
  }
  void ticks(int n) {
    for (int i = 0; i < n; ++i) {
      loop->DomeLoopTimer_Timer();
      QThread::msleep(200);
    }
  }
  // Rotation commands that reached the controller: +1 increasing, -1 decreasing.
  std::vector<int> starts() {
    QFile f(dir.path() + "/quarn.log");
    f.open(QIODevice::ReadOnly);
    std::vector<int> out;
    const QByteArray dec = "$12" + s.dome.RelayTable[21].toLatin1() + '#';
    const QByteArray inc = "$12" + s.dome.RelayTable[22].toLatin1() + '#';
    for (const QByteArray& line : f.readAll().split('\n')) {
      if (!line.contains(" <- ")) continue;
      const QByteArray cmd = line.mid(line.indexOf(" <- ") + 4).replace("<0D>", "");
      if (cmd == dec) out.push_back(-1);
      if (cmd == inc) out.push_back(1);
    }
    return out;
  }
  double offTarget() { return std::fabs(std::fmod(state("azimuth").toDouble() - 150 + 540.0, 360.0) - 180.0); }

  QTemporaryDir dir;
  QString ini;
  SharedState s;
  ACal2 acal{s.site, s.mount};
  test::RecordingDomeView view;
  ScriptedPrompter prompter;
  ScopedPrompter scoped{prompter};
  QProcess sim;
  std::unique_ptr<FrmQuarn> driver;
  std::unique_ptr<DomeLoop> loop;
};

// With every count reply garbled, cut or empty the dome used to turn on toward a target it
// could not see. It stops within a few readings, the observer is told once, and following
// resumes by itself when counts come back.
TEST_F(DomeOnALine, UnreadableCountsStopTheDomeUntilTheyReturn) {
  start({"--azimuth", "100"});
  ASSERT_TRUE(tickUntil([&] { return state("rotation") == "increasing"; }, 10));
  ASSERT_EQ(control("garble-counts on"), "ok");
  ASSERT_TRUE(tickUntil([&] { return loop->countsLost(); }, 10));
  EXPECT_EQ(state("rotation"), "stopped");
  EXPECT_EQ(s.dome.DomeMotion, 0);
  EXPECT_TRUE(view.noticeVisible);
  EXPECT_TRUE(view.noticeText.contains(QStringLiteral("ドームの位置が読めません")));
  EXPECT_EQ(view.caption[0], "---.-");  // not the last angle, as if it were still true
  const double stoppedAt = state("azimuth").toDouble();
  ticks(8);
  EXPECT_EQ(state("rotation"), "stopped");  // nothing starts it again blind
  EXPECT_TRUE(prompter.asked().empty());    // one notice, no box that halts the loop

  ASSERT_EQ(control("garble-counts off"), "ok");
  ASSERT_TRUE(tickUntil([&] { return !loop->countsLost(); }, 10));
  EXPECT_FALSE(view.noticeVisible);
  EXPECT_NE(view.caption[0], "---.-");
  ASSERT_TRUE(tickUntil([&] { return s.dome.DomeMotion == 0 && state("speed") == "0.00" && offTarget() <= 4; }, 40))
      << state("azimuth").constData();
  EXPECT_GT(state("azimuth").toDouble(), stoppedAt);
}

// Closing the program while the dome turns and the slit opens: both motors stop, though the
// slit's one-second timer has already gone with the window.
TEST_F(DomeOnALine, TheOrderlyEndStopsRotationAndSlit) {
  start({"--azimuth", "100"});
  ASSERT_TRUE(tickUntil([&] { return state("rotation") == "increasing"; }, 10));
  loop->Mission(24);
  ASSERT_EQ(state("slitMotor"), "opening");
  loop->Disconnect();
  EXPECT_FALSE(loop->connected());
  EXPECT_EQ(state("rotation"), "stopped");
  EXPECT_EQ(state("slitMotor"), "stopped");
  EXPECT_LT(state("slit").toDouble(), 1.0);
  EXPECT_EQ(s.dome.SlitState, 0);  // stopped part-way: neither open nor closed
}

// A controller that answers half a second late and in pieces: the dome used to stop past the
// target, turn back, and hunt around it. It settles once, turning one way only.
TEST_F(DomeOnALine, ASlowControllerDoesNotMakeTheDomeHunt) {
  start({"--azimuth", "100", "--reply-ms", "500"});
  ASSERT_TRUE(tickUntil([&] { return s.dome.DomeMotion != 0; }, 10));
  ASSERT_TRUE(tickUntil([&] { return s.dome.DomeMotion == 0 && state("speed") == "0.00"; }, 60));
  ticks(10);  // long enough for a hunting dome to have started again
  const std::vector<int> run = starts();
  ASSERT_FALSE(run.empty());
  EXPECT_LE(run.size(), 2u);
  for (int direction : run) EXPECT_EQ(direction, 1);
  EXPECT_EQ(state("rotation"), "stopped");
  EXPECT_LE(offTarget(), 3 + 10 * 1.5);
  EXPECT_TRUE(prompter.asked().empty());
}

}  // namespace
