// The LX200 driver against the simulator program: a real child process, a real
// pseudo-terminal reached through the program folder's ports/COM<n>, and the simulator's log
// as the record of the bytes on the line.
#include "DriverOnSimulator.h"
#include "Vb.h"
#include "frmLX200.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

using namespace orvan;
using namespace orvan::testing;

namespace {

class SimulatedMount : public DriverOnSimulator<frmLX200> {
 protected:
  SimulatedMount() : DriverOnSimulator("lx200gps") {}
  void startSim(const QStringList& extra = {}) {
    DriverOnSimulator::startSim(extra);
    if (driver) driver->setModelText(QStringLiteral("LX200GPS"));
  }
};

TEST_F(SimulatedMount, ANightFromConnectToDisconnect) {
  startSim();
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  EXPECT_TRUE(driver->isConnected());
  const QByteArray simState = control("state");
  EXPECT_TRUE(simState.contains("lat=35.6667")) << simState.constData();
  EXPECT_TRUE(simState.contains("westlon=220.2611")) << simState.constData();
  EXPECT_TRUE(simState.contains("utc=-9.0")) << simState.constData();

  // Slew to 60 degrees up in the south; the watch and the status poll end it.
  double ra = 0, dec = 0;
  cal.HorizontalToEquatorial(0, 60, ra, dec);
  ra = std::nearbyint(ra);
  dec = std::nearbyint(dec);
  const double targetRa = ra, targetDec = dec;
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_EQ(m.TelState, 2);
  EXPECT_EQ(host.telSlewings.back(), 1);
  ASSERT_TRUE(runMainLoopUntil([&] { return host.linkOks == 1; }));
  EXPECT_EQ(host.telSlewings.back(), 2);
  EXPECT_EQ(m.TelState, 1);
  EXPECT_NEAR(m.TelRA, targetRa, 1);
  EXPECT_NEAR(m.TelDec, targetDec, 1);
  EXPECT_EQ(m.TelStatus[15], QStringLiteral("0"));
  EXPECT_NEAR(vb::Val(m.TelStatus[5]), 60, 0.2);

  // Move north by hand at the middle rate, then stop.
  driver->cmdMove(QStringLiteral("N"), 2);
  EXPECT_EQ(m.TelState, 2);
  Wait(1000);
  driver->cmdMove(QStringLiteral("N"), 9);
  EXPECT_EQ(m.TelState, 1);
  driver->cmdStatus();
  EXPECT_GT(m.TelDec, targetDec + 300);

  // Sync back on the target: the mount then reports it.
  ra = targetRa;
  dec = targetDec;
  ASSERT_TRUE(driver->cmdSync(ra, dec, QStringLiteral("EOD")));
  driver->cmdStatus();
  EXPECT_EQ(m.TelRA, targetRa);
  EXPECT_EQ(m.TelDec, targetDec);

  ASSERT_TRUE(driver->cmdConnect(false));
  EXPECT_FALSE(driver->isConnected());
  EXPECT_TRUE(prompter.asked().empty());

  // The bytes on the line, polls left out.
  const auto raText = [](double s) { return vb::TimeText(static_cast<long long>(s) % 86400); };
  const auto decText = [](double d) {
    const long long a = std::llabs(static_cast<long long>(d));
    return QStringLiteral("%1%2*%3:%4").arg(QChar(d < 0 ? u'-' : u'+')).arg(a / 3600, 2, 10, QChar(u'0'))
        .arg(a % 3600 / 60, 2, 10, QChar(u'0')).arg(a % 60, 2, 10, QChar(u'0'));
  };
  QStringList got = received(false);
  ASSERT_GE(got.size(), 4);
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^:SL\\d\\d:\\d\\d:\\d\\d#$")).match(got[3]).hasMatch()) << qPrintable(got[3]);
  got[3] = QStringLiteral(":SL#");
  const QStringList expected{
      ":Sg220*15:40#", ":St+35*40:00#", ":SG-09.0#", ":SL#",                                         // start-up
      ":Q#", ":Q#", ":Sr" + raText(targetRa) + "#", ":Sd" + decText(targetDec) + "#", ":MS#",          // goto
      ":Q#", ":RM#", ":Mn#", ":Qn#", ":Q#",                                                             // hand move
      ":Q#", ":Q#", ":Sr" + raText(targetRa) + "#", ":Sd" + decText(targetDec) + "#", ":CM#",  // sync
      ":Q#"};                                                                                           // disconnect
  EXPECT_EQ(got.join(u' ').toStdString(), expected.join(u' ').toStdString());
  EXPECT_GT(received(true).count(QStringLiteral(":GR#")), 4);
}

TEST_F(SimulatedMount, ASilentMountEndsInTheTimeOutQuestion) {
  startSim({QStringLiteral("--fault"), QStringLiteral("silent")});
  prompter.push(Answer::Abort);
  ASSERT_TRUE(driver->cmdConnect(true));  // the port opens; the mount does not answer
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].text, QStringLiteral("LX200からの応答がありません（受信）\r(:Sg220*15:40#)"));
  EXPECT_EQ(state.mount.TelStatus[0], QStringLiteral("1"));
  EXPECT_EQ(host.unloads, 1);
  EXPECT_EQ(host.formSizeChanges, std::vector<int>{2});
  // Given up: nothing more reaches the mount, the encoder log is not written.
  driver->cmdStatus();
  ASSERT_TRUE(driver->cmdConnect(false));
  EXPECT_EQ(received().join(u' ').toStdString(), ":Sg220*15:40#");
  EXPECT_EQ(ReadIni(ini, QStringLiteral("EncLog"), QStringLiteral("EncOfs1")), QString());
}

TEST_F(SimulatedMount, GarbledShortAndSlowReplies) {
  startSim({QStringLiteral("--slow-ms"), QStringLiteral("2500")});
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  driver->cmdStatus();
  const double ra = m.TelRA, dec = m.TelDec;
  ASSERT_GT(dec, 0);

  // Garbled and cut-off replies are no position: the last good one stays, nothing is asked.
  for (const char* fault : {"fault garbage", "fault short"}) {
    ASSERT_EQ(control(fault), QByteArray("ok"));
    driver->cmdStatus();
    EXPECT_EQ(m.TelRA, ra) << fault;
    EXPECT_EQ(m.TelDec, dec) << fault;
  }
  EXPECT_TRUE(prompter.asked().empty());

  // Replies later than the time-out: Retry waits for them.
  ASSERT_EQ(control("fault slow"), QByteArray("ok"));
  prompter.push(Answer::Retry);
  prompter.push(Answer::Retry);
  driver->cmdStatus();
  EXPECT_EQ(prompter.asked().size(), 2u);
  EXPECT_NEAR(m.TelRA, ra, 2);
  EXPECT_NEAR(m.TelDec, dec, 2);
  EXPECT_EQ(driver->driverState().LastTimeoutAnswer, 4);
  ASSERT_EQ(control("fault normal"), QByteArray("ok"));
  ASSERT_TRUE(driver->cmdConnect(false));
}

TEST_F(SimulatedMount, AGotoTheMountRefusesMovesNothing) {
  startSim();
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  driver->cmdStatus();
  // The controller believes in a southern site; the mount keeps the one it was given at
  // start-up, where the target lies below the horizon.
  state.site.SiteLatitude = -35 * 3600;
  state.site.SiteLatitudeRadians = state.site.SiteLatitude / (648000.0 / ACal2::kPi);
  double ra = 0, dec = 0;
  cal.HorizontalToEquatorial(0, 60, ra, dec);
  m.GotoRA = 111;
  m.GotoDec = 222;
  EXPECT_FALSE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_EQ(driver->lastRefusal(), QStringLiteral("Object Below Horizon"));
  EXPECT_EQ(m.TelState, 1);
  EXPECT_EQ(m.GotoRA, 111);
  EXPECT_EQ(m.GotoDec, 222);
  EXPECT_TRUE(std::find(host.telSlewings.begin(), host.telSlewings.end(), 1) == host.telSlewings.end());
  // The main loop and the watch run on: no completion comes.
  int polls = 0;
  runMainLoopUntil([&] { return ++polls > 20; });
  EXPECT_EQ(host.linkOks, 0);
  EXPECT_TRUE(control("state").contains("slewing=0"));
  ASSERT_TRUE(driver->cmdConnect(false));
  // Without a connection a goto is refused at once.
  EXPECT_FALSE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_EQ(received(false).count(QStringLiteral(":MS#")), 1);
}

TEST_F(SimulatedMount, ASlowMainLoopDoesNotEndAGotoEarly) {
  startSim({QStringLiteral("--slew-rate"), QStringLiteral("15")});
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  double ra = 0, dec = 0;
  cal.HorizontalToEquatorial(0, 30, ra, dec);
  ra = std::nearbyint(ra);
  dec = std::nearbyint(dec);
  const double targetRa = ra, targetDec = dec;
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  // The main loop reads the position every 2.5 s, the watch ticks every second.
  ASSERT_TRUE(runMainLoopUntil([&] { return host.linkOks == 1; }, 2500));
  // Completed only once the mount had arrived.
  EXPECT_NEAR(m.TelRA, targetRa, 1);
  EXPECT_NEAR(m.TelDec, targetDec, 1);
  EXPECT_TRUE(control("state").contains("slewing=0"));
  ASSERT_TRUE(driver->cmdConnect(false));
}

TEST_F(SimulatedMount, IgnoreOnASilentMountGivesUpWithoutEndingTheProgram) {
  startSim({QStringLiteral("--fault"), QStringLiteral("silent")});
  prompter.push(Answer::Ignore);
  prompter.push(Answer::Abort);  // a second question would end the program
  ASSERT_TRUE(driver->cmdConnect(true));
  EXPECT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(host.unloads, 0);
  EXPECT_EQ(state.mount.TelStatus[0], QStringLiteral("1"));
  // Given up: nothing more reaches the mount, a goto is refused, the program goes on.
  driver->cmdStatus();
  double ra = 0, dec = 0;
  cal.HorizontalToEquatorial(0, 60, ra, dec);
  EXPECT_FALSE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_TRUE(host.telSlewings.empty());
  ASSERT_TRUE(driver->cmdConnect(false));
  EXPECT_EQ(received().join(u' ').toStdString(), ":Sg220*15:40#");
  EXPECT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(host.unloads, 0);
}

TEST_F(SimulatedMount, AVanishedMountAndAClosedQuestionBox) {
  startSim();
  ASSERT_TRUE(driver->cmdConnect(true));
  driver->cmdStatus();
  const double ra = state.mount.TelRA, dec = state.mount.TelDec;
  ASSERT_EQ(control("fault vanish"), QByteArray("ok"));
  prompter.push(Answer::None);  // the observer pressed Escape
  prompter.push(Answer::Abort);
  driver->cmdStatus();
  driver->cmdStatus();
  EXPECT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(host.unloads, 0);
  EXPECT_EQ(driver->driverState().LastTimeoutAnswer, 5);
  EXPECT_EQ(state.mount.TelStatus[0], QStringLiteral("1"));
  EXPECT_EQ(state.mount.TelRA, ra);
  EXPECT_EQ(state.mount.TelDec, dec);
  ASSERT_EQ(control("fault normal"), QByteArray("ok"));
  ASSERT_TRUE(driver->cmdConnect(false));
}

TEST_F(SimulatedMount, AMountThatVanishesMidSession) {
  startSim();
  ASSERT_TRUE(driver->cmdConnect(true));
  driver->cmdStatus();
  ASSERT_EQ(control("fault vanish"), QByteArray("ok"));
  EXPECT_FALSE(QFile::exists(dir.path() + QStringLiteral("/ports/COM7")));
  prompter.push(Answer::Abort);
  driver->cmdStatus();
  EXPECT_EQ(prompter.asked().size(), 1u);
  EXPECT_FALSE(driver->link().isOpen());
  EXPECT_EQ(state.mount.TelStatus[0], QStringLiteral("1"));
  // Plugged in again: the simulator is back under the same name.
  ASSERT_EQ(control("fault normal"), QByteArray("ok"));
  EXPECT_TRUE(QFile::exists(dir.path() + QStringLiteral("/ports/COM7")));
  ASSERT_TRUE(driver->cmdConnect(false));
}

}  // namespace
