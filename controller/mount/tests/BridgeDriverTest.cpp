// The bridge driver over real datagrams on the loopback: what it sends, byte for byte; what it
// takes from the bridge and what it drops; gotos that end, fail or lose their bridge. A small
// shell script stands in for the bridge program where one must run.
#include "BridgeDatagram.h"
#include "DriverFixture.h"
#include "ProgramFolder.h"
#include "frmASCOM.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QNetworkDatagram>
#include <QUdpSocket>

namespace orvan::testing {
namespace {

quint16 FreeUdpPort() {
  QUdpSocket s;
  s.bind(QHostAddress::LocalHost, 0);
  return s.localPort();
}

template <class F>
bool PumpUntil(F done, int ms = 3000) {
  QDeadlineTimer guard(ms);
  while (!done()) {
    if (guard.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

class BridgeDriverTest : public DriverFixture {
 protected:
  const QByteArray kSecret = "k3v9q0x7m2c8w1r6t5y4u3i2o1p0a9s8";
  BridgeDriverTest() {
    SetProgramFolderForTests(dir.path());
    ports.controller = FreeUdpPort();
    ports.bridge = FreeUdpPort();
    ports.secret = kSecret;
    EXPECT_TRUE(bridge.bind(QHostAddress::LocalHost, ports.bridge));
    driver = std::make_unique<frmASCOM>(state, host, cal, ini, ports);
    driver->slewWatchTimer().stop();
  }
  ~BridgeDriverTest() override {
    driver.reset();
    SetProgramFolderForTests(QString());
  }
  // A stand-in bridge program: runs until killed.
  void installBridgeProgram(const char* body = "exec sleep 60\n") {
    QFile f(dir.path() + QStringLiteral("/ascomconnect"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("#!/bin/sh\n") + body);
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
  }
  // What the bridge's port received, one datagram per entry.
  QList<QByteArray> received(int atLeast) {
    PumpUntil([&] {
      while (bridge.hasPendingDatagrams()) {
        const QByteArray d = bridge.receiveDatagram().data();
        // Everything the driver sends carries the run's secret.
        EXPECT_TRUE(d.startsWith(kSecret + ' ')) << d.constData();
        got << d.mid(kSecret.size() + 1);
      }
      return got.size() >= atLeast;
    });
    return got;
  }
  // A datagram from the bridge's own port, as the bridge program sends it.
  void fromBridge(const QByteArray& d) { fromBridgePort(kSecret + ' ' + d); }
  void fromBridgePort(const QByteArray& d) {
    bridge.writeDatagram(d, QHostAddress::LocalHost, ports.controller);
    QCoreApplication::processEvents();
    PumpUntil([] { return false; }, 30);
  }
  void connectDriver() {
    installBridgeProgram();
    ASSERT_TRUE(driver->cmdConnect(true));
  }

  BridgePorts ports;
  QUdpSocket bridge;
  QList<QByteArray> got;
  std::unique_ptr<frmASCOM> driver;
};

TEST_F(BridgeDriverTest, SendsTheDatagramTextsByteForByte) {
  // The sign-padded number text: a blank before a value that is not negative.
  EXPECT_EQ(GotoDatagram(12.5, -10), QByteArray("cmdGoto, 12.5,-10"));
  EXPECT_EQ(SyncDatagram(0, 89.99999), QByteArray("cmdSync, 0, 89.99999"));

  connectDriver();
  ASSERT_TRUE(driver->socketReady());
  // A sync is sent whatever the altitude (the telescope's driver judges it).
  double ra = 45000, dec = -36000;
  ASSERT_TRUE(driver->cmdSync(ra, dec, QStringLiteral("EOD")));
  driver->SendCmd(QStringLiteral("cmdName"));
  driver->SendCmd(QStringLiteral("cmdChoose"));
  state.mount.TelState = 2;
  state.mount.StopRequest = kTrue;
  driver->cmdStop();
  EXPECT_EQ(state.mount.TelState, 1);
  EXPECT_EQ(state.mount.StopRequest, kFalse);
  driver->cmdConnect(false);
  EXPECT_FALSE(driver->isConnected());
  EXPECT_EQ(received(6), (QList<QByteArray>{"cmdSync, 12.5,-10", "cmdName", "cmdChoose", "Stop", "Stop",
                                           "cmdDisConnect"}));
  // The bridge program was started once, for all of it.
  ASSERT_NE(driver->bridgeProcess(), nullptr);
  EXPECT_NE(driver->bridgeProcess()->state(), QProcess::NotRunning);
}

TEST_F(BridgeDriverTest, GotoIsSentInHoursAndDegreesOfDateAndEndsWhenThePositionSettles) {
  connectDriver();
  // Straight overhead: the local sidereal time and the site's latitude.
  double ra = cal.LocalSiderealTime(), dec = state.site.SiteLatitude;
  const double wantRa = ra, wantDec = dec;
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_EQ(state.mount.TelState, 2);
  EXPECT_EQ(host.telSlewings, std::vector<int>{1});
  EXPECT_EQ(received(1).value(0), GotoDatagram(wantRa / 3600, wantDec / 3600));

  // Moving, then still: the slew ends on the second report within 10" of the one before.
  for (const char* d : {"Coodinate,1.5,20", "Coodinate,2.5,30", "Coodinate,2.5,30.001"}) {
    fromBridge(d);
    driver->SlewWatchTick();
    driver->cmdStatus();
  }
  EXPECT_EQ(state.mount.TelState, 1);
  EXPECT_EQ(host.telSlewings, (std::vector<int>{1, 2}));
  EXPECT_EQ(host.linkOks, 1);
  EXPECT_EQ(state.mount.TelStatus[2], QStringLiteral("9000"));
}

TEST_F(BridgeDriverTest, TakesPositionAndNameFromTheBridge) {
  // Whole seconds and arcseconds toward minus infinity.
  fromBridge("Coodinate,12.5,-10.00001");
  EXPECT_EQ(state.mount.TelRA, 45000);
  EXPECT_EQ(state.mount.TelDec, -36001);

  host.layout = 1;
  fromBridge("Name, Please choose ");
  EXPECT_EQ(host.formSizeChanges, std::vector<int>{2});
  EXPECT_EQ(host.ascomTelescope, QStringLiteral(" Please choose "));
  host.layout = 2;
  fromBridge("Name,");
  EXPECT_EQ(host.formSizeChanges, std::vector<int>{2});
  fromBridge("Name,Telescope Simulator");
  EXPECT_EQ(host.ascomTelescope, QStringLiteral("Telescope Simulator"));
  EXPECT_EQ(driver->droppedMalformed(), 0);
}

TEST_F(BridgeDriverTest, DropsDatagramsFromAnyoneButTheBridgeAndAnyThatDoNotParse) {
  connectDriver();
  double ra = cal.LocalSiderealTime(), dec = state.site.SiteLatitude;
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  fromBridge("Coodinate,3,40");
  driver->SlewWatchTick();

  // Another local program, on a port of its own, says the slew has ended and names a scope.
  QUdpSocket stranger;
  ASSERT_TRUE(stranger.bind(QHostAddress::LocalHost, 0));
  for (const char* d : {"Coodinate,3,40", "Name,Please choose", "Error,stop everything"})
    stranger.writeDatagram(QByteArray(d), QHostAddress::LocalHost, ports.controller);
  ASSERT_TRUE(PumpUntil([&] { return driver->droppedForeign() == 3; }));
  // A program that took the bridge's port while the bridge was down knows the port and the
  // words but not this run's secret.
  const QList<QByteArray> unsealed = {"Coodinate,3,40", "Coodinate,10,-20", QByteArray(kSecret).replace(5, 1, "z") + " Coodinate,10,-20",
                                      kSecret + "Coodinate,10,-20", kSecret.left(31) + " Coodinate,10,-20"};
  for (const QByteArray& d : unsealed)
    fromBridgePort(d);
  EXPECT_EQ(driver->droppedForeign(), 8);

  const QList<QByteArray> junk = {"", QByteArray(600, 'x'), "Coodinate," + QByteArray(600, '1') + ",1",
                                  "Coodinate,nan,40", "Coodinate,inf,40", "Coodinate,3,-inf", "Coodinate,3e0,40",
                                  "Coodinate,0x3,40", "Coodinate,3", "Coodinate,3,40,1", "Coodinate,24,40",
                                  "Coodinate,-0.5,40", "Coodinate,3,90.5", "Coodinate, ,40", "Coodinate,3.,.",
                                  "coodinate,3,40", "Name", "Coodinate,3,40\n", QByteArray("Name,\0x", 7),
                                  "\xff\xfe", "Error"};
  for (const QByteArray& d : junk) fromBridge(d);
  EXPECT_EQ(driver->droppedMalformed(), junk.size() - 1);  // the empty one is ignored, not counted
  driver->SlewWatchTick();
  driver->cmdStatus();
  // Nothing of it moved the position, ended the slew or changed the window.
  EXPECT_EQ(state.mount.TelRA, 3 * 3600);
  EXPECT_EQ(state.mount.TelDec, 40 * 3600);
  EXPECT_EQ(state.mount.TelState, 2);
  EXPECT_EQ(host.telSlewings, std::vector<int>{1});
  EXPECT_TRUE(host.formSizeChanges.empty());
  EXPECT_TRUE(host.bridgeErrors.isEmpty());
  EXPECT_TRUE(host.ascomTelescope.isEmpty());
}

TEST_F(BridgeDriverTest, FailuresOfTheBridgeAreShownAndGiveUpTheGoto) {
  // No bridge program: nothing connects and no goto starts.
  EXPECT_FALSE(driver->cmdConnect(true));
  ASSERT_EQ(host.bridgeErrors.size(), 1);
  double ra = cal.LocalSiderealTime(), dec = state.site.SiteLatitude;
  EXPECT_FALSE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_TRUE(host.telSlewings.empty());

  // The bridge program dies mid-goto: shown, and the dome no longer waits on the goto.
  connectDriver();
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  const int errors = host.bridgeErrors.size();
  driver->bridgeProcess()->kill();
  ASSERT_TRUE(PumpUntil([&] { return host.bridgeErrors.size() > errors; }));
  EXPECT_EQ(state.mount.TelState, 1);
  EXPECT_EQ(host.telSlewings, (std::vector<int>{1, 0}));
  EXPECT_EQ(host.linkOks, 0);
  EXPECT_EQ(host.linkNgs, 1);  // whoever asked for the goto hears at once that it will not end

  // The chooser asked for now starts the bridge again, and is asked for once more when the
  // new bridge speaks: its first datagram may have gone out before the bridge listened.
  received(1);  // the goto
  got.clear();
  driver->SendCmd(QStringLiteral("cmdChoose"));
  EXPECT_EQ(received(1), QList<QByteArray>{"cmdChoose"});
  fromBridge("Name,Please choose");
  fromBridge("Name,Please choose");
  EXPECT_EQ(received(2), (QList<QByteArray>{"cmdChoose", "cmdChoose"}));

  // A bridge that runs but never says anything is reported once.
  ASSERT_TRUE(driver->cmdConnect(true));
  driver->setSilenceLimit(0);
  PumpUntil([] { return false; }, 20);
  const int before = host.bridgeErrors.size();
  driver->cmdStatus();
  driver->cmdStatus();
  EXPECT_EQ(host.bridgeErrors.size(), before + 1);

  // A bridge told to end that does not (it ignores the datagram and SIGTERM) is ended all the
  // same, and its end is no failure to report.
  installBridgeProgram("trap '' TERM\nwhile :; do sleep 0.1; done\n");
  driver->bridgeProcess()->kill();
  ASSERT_TRUE(PumpUntil([&] { return driver->bridgeProcess()->state() == QProcess::NotRunning; }));
  driver->SendCmd(QStringLiteral("cmdName"));
  ASSERT_TRUE(PumpUntil([&] { return driver->bridgeProcess()->state() == QProcess::Running; }));
  const int shown = host.bridgeErrors.size();
  driver->setBridgeEndTime(100);
  driver->SendCmd(QStringLiteral("cmdEnd"));
  EXPECT_TRUE(PumpUntil([&] { return driver->bridgeProcess()->state() == QProcess::NotRunning; }, 10000));
  EXPECT_EQ(host.bridgeErrors.size(), shown);
}

}  // namespace
}  // namespace orvan::testing
