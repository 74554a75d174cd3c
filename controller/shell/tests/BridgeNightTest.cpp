// A night on INDI's simulated telescope through the bridge: the controller's window, the
// bridge program ascomconnect it starts from the program folder, and indiserver with
// indi_simulator_telescope on a loopback port of this test. Choosing the telescope, its name on
// the window, position, goto, sync, stop, the server killed mid-goto and back again, park; the
// simulated USB board's dome following throughout.
#include "DomeLoop.h"
#include "IniFile.h"
#include "MainWindowFixture.h"
#include "Shared.h"
#include "frmASCOM.h"
#include "IndiTestServer.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QUdpSocket>
#include <cmath>
#include <functional>

using namespace orvan;
using namespace orvan::test;

namespace {

class BridgeNight : public MainWindowTest {
 protected:
  QProcess server;
  quint16 indiPort = 0;

  void SetUp() override {
    MainWindowTest::SetUp();
    if (const QString tool = MissingIndiTool(); !tool.isEmpty())
      GTEST_SKIP() << tool.toStdString() << " is not installed (Debian package indi-bin)";
    const QString bridge = QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR")) + "/ascomconnect";
    if (!QFile::exists(bridge)) GTEST_SKIP() << "ascomconnect is not built (libindi-dev)";
    ASSERT_TRUE(QFile::copy(bridge, dir.filePath("ascomconnect")));
    // Both ends of the bridge on ports of this run, inherited by the bridge program.
    qputenv("ORVAN_BRIDGE_PORTS", QByteArray::number(FreeLocalPort(true)) + ',' + QByteArray::number(FreeLocalPort(true)));
    indiPort = FreeLocalPort(false);
    startServer();
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    stopServer();
    qunsetenv("ORVAN_BRIDGE_PORTS");
  }
  void startServer() { ASSERT_TRUE(StartIndiSimulator(server, indiPort, dir.path(), [] { Wait(100); })); }
  void stopServer() {
    if (server.state() == QProcess::NotRunning) return;
    server.kill();
    server.waitForFinished(5000);
  }
  static bool waitUntil(const std::function<bool()>& done, int seconds) {
    for (int i = 0; i < seconds * 10 && !done(); ++i) Wait(100);
    return done();
  }
  void startReal() {
    MainWindowParts p;
    p.linkSend = [this](int code, const QString& text, bool) { linkSent.emplace_back(code, text); };
    w = std::make_unique<frmMain>(p);
    obs().setStartWait(0);
    ASSERT_TRUE(w->Form_Load());
    w->show();
  }
  QByteArray settingsText(const QByteArray& telescope) const {
    return "[Location]\nLONGITUDE=E139:44:20\nLATITUDE=+35:40:00\nTIMEZONE=9.0\n[TELESCOPE]\nTelescope= 7\n"
           "CommPort= 3\nVCommPort= 9\nMount=G\n[PUBLIC]\nFormSizeChange= 1\nLoopTimer= 250\n[PARK]\nAZ= 180\n"
           "Alt= 60\n[ASCOM]\nUse=True\nIndiHost=127.0.0.1\nIndiPort=" +
           QByteArray::number(indiPort) + "\nTelescope=" + telescope + "\n" + dome();
  }
  // The simulated USB board's dome, following the telescope.
  static QByteArray dome() {
    const auto pattern = [](const char* p) { return QByteArray(p).leftJustified(32, '*'); };
    return "[DOME]\nController= 0\nLoopTimer= 200\nENC3_PULSES= 3600\nUpDown= 1\nSLIT_TIMER= 3\nDOME_REVOLVE= 3\n"
           "HomePosition= 270\nDOME_RADIUS= 1250\nDome_Auto= 0\nDome_LimitSWC= 0\n[RELAY]\n$021=" +
           pattern("10") + "\n$022=" + pattern("01") + "\n$023=" + pattern("00") + "\n$024=" + pattern("**10") +
           "\n$025=" + pattern("**01") + "\n$026=" + pattern("**00") + "\n";
  }
  const DomeState& domeState() { return obs().state().dome; }
  MountState& m() { return obs().state().mount; }
  QString ascomLabel() { return find<QLabel>("lblAscomTelescope")->text(); }
  // A goto to the meridian at `decDeg` (equinox of date), as the main window's callers give it.
  bool gotoMeridian(double decDeg) {
    double ra = obs().acal().LocalSiderealTime(), dec = decDeg * 3600;
    return obs().Telescope()->cmdGoto(ra, dec, QStringLiteral("EOD"));
  }
  bool near(double decDeg) { return std::fabs(m().TelDec - decDeg * 3600) < 60; }
};

}  // namespace

TEST_F(BridgeNight, ChooseConnectGotoSyncStopTheServerKilledMidGotoAndPark) {
  settings(settingsText(""));
  startReal();
  // The bridge entry is offered and opens the set-up layout; no telescope chosen yet.
  ASSERT_EQ(w->windowLayout(), 2);
  ASSERT_NE(obs().Telescope(), nullptr);
  EXPECT_TRUE(find("btnChooser")->isVisible());
  ASSERT_TRUE(waitUntil([&] { return ascomLabel() == "Please choose"; }, 20)) << ascomLabel().toStdString();
  click(find("btnDetail"));
  EXPECT_EQ(w->windowLayout(), 2);  // refused until a telescope is chosen

  // The chooser (headless: the only telescope offered) names it and remembers it.
  click(find("btnChooser"));
  ASSERT_TRUE(waitUntil([&] { return ascomLabel() == "Telescope Simulator"; }, 10)) << ascomLabel().toStdString();
  EXPECT_EQ(ReadIni(ini(), "ASCOM", "Telescope"), "Telescope Simulator");

  click(find("btnDetail"));
  ASSERT_EQ(w->windowLayout(), 1);
  EXPECT_EQ(find<QLabel>("lblTelescopeName")->text(), "Telescope Simulator");
  EXPECT_FALSE(find("btnNSWE_0")->isEnabled());
  // The position arrives on its own once a second.
  ASSERT_TRUE(waitUntil([&] { return m().TelDec > 80 * 3600; }, 15)) << m().TelDec;

  ASSERT_TRUE(obs().domeLoop()->connected());

  // Goto: it lands and completes, with the link's "OK"; the dome aims at the target meanwhile
  // and follows the telescope afterwards.
  ASSERT_TRUE(gotoMeridian(75));
  EXPECT_EQ(m().TelState, 2);
  EXPECT_EQ(domeState().DomeTargetMode, 1);
  ASSERT_TRUE(waitUntil([&] { return m().TelState == 1; }, 30));
  EXPECT_TRUE(near(75)) << m().TelDec;
  EXPECT_EQ(linkSent.back(), std::make_pair(2, QString("OK")));
  EXPECT_EQ(domeState().DomeTargetMode, 0);

  // Sync: the telescope reports the position it was told.
  double ra = obs().acal().LocalSiderealTime(), dec = 74.5 * 3600;
  ASSERT_TRUE(obs().Telescope()->cmdSync(ra, dec, QStringLiteral("EOD")));
  ASSERT_TRUE(waitUntil([&] { return near(74.5); }, 10)) << m().TelDec;

  // Stop mid-goto from the hand controller: the telescope stands short of the target.
  ASSERT_TRUE(gotoMeridian(45));
  ASSERT_TRUE(waitUntil([&] { return m().TelDec < 70 * 3600; }, 10));
  click(find("btnNSWE_4"));
  EXPECT_EQ(m().TelState, 1);
  Wait(2500);
  const double stoppedAt = m().TelDec;
  Wait(2000);
  EXPECT_NEAR(m().TelDec, stoppedAt, 60);
  EXPECT_GT(stoppedAt, 46 * 3600);

  // The INDI server dies mid-goto: said on the window, the goto given up. The dome, aimed at
  // the goto's target in the south, turns back to where the telescope was last seen, north.
  ASSERT_TRUE(gotoMeridian(30));
  ASSERT_TRUE(waitUntil([&] { return m().TelDec < 60 * 3600; }, 10));
  EXPECT_EQ(domeState().DomeTargetMode, 1);
  EXPECT_LT(std::fabs(domeState().DomeTarget), 10) << domeState().DomeTarget;  // azimuth from the south
  stopServer();
  ASSERT_TRUE(waitUntil([&] { return m().TelState == 1; }, 10));
  EXPECT_EQ(domeState().DomeTargetMode, 0);
  EXPECT_TRUE(waitUntil([&] { return std::fabs(domeState().DomeTarget - 180) < 20; }, 3)) << domeState().DomeTarget;
  EXPECT_TRUE(find<QLabel>("lblTelescopeName")->toolTip().contains("INDIサーバー"))
      << find<QLabel>("lblTelescopeName")->toolTip().toStdString();
  EXPECT_TRUE(ascomLabel().contains("INDIサーバー"));

  // A goto asked now is answered with an error at once, not waited for all night.
  gotoMeridian(40);
  EXPECT_TRUE(waitUntil([&] { return m().TelState == 1; }, 5));

  // The server comes back: the bridge finds the telescope again and the night goes on.
  startServer();
  ASSERT_TRUE(waitUntil([&] { return ascomLabel() == "Telescope Simulator"; }, 20)) << ascomLabel().toStdString();
  EXPECT_EQ(find<QLabel>("lblTelescopeName")->text(), "Telescope Simulator");
  ASSERT_TRUE(waitUntil([&] { return m().TelDec > 80 * 3600; }, 15)) << m().TelDec;  // it starts at the pole

  // Park: a goto to the park position (north, 60 degrees up), stopped there.
  prompter.push(Answer::Ok);
  click(find("btnP"));
  EXPECT_EQ(m().TelState, 2);
  ASSERT_TRUE(waitUntil([&] { return m().TelState != 2; }, 30));
  EXPECT_EQ(m().StopRequest, 0);
  EXPECT_TRUE(near(35 + 40 / 60.0 + 30)) << m().TelDec;

  // Closing the window ends the bridge program.
  auto* driver = dynamic_cast<frmASCOM*>(obs().Telescope());
  ASSERT_NE(driver, nullptr);
  QPointer<QProcess> bridge = driver->bridgeProcess();
  ASSERT_TRUE(bridge);
  w->close();
  // Generous: under the sanitizers the bridge's exit includes the leak check.
  EXPECT_TRUE(waitUntil([&] { return !bridge || bridge->state() == QProcess::NotRunning; }, 30));
}

