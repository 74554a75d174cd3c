// The Temma driver against the simulated Temma controllers, through a real pseudo-terminal.
#include "DriverOnSimulator.h"
#include "frmTemma2M.h"

#include <QRegularExpression>
#include <cmath>

using namespace orvan;
using namespace orvan::testing;

namespace {

class SimulatedTemma2M : public DriverOnSimulator<frmTemma2M> {
 protected:
  SimulatedTemma2M() : DriverOnSimulator("temma2m") {}
  // Runs the main loop's part in a goto's end: the driver hands it over through SlewEndPhase.
  bool gotoEnds() {
    MountState& m = state.mount;
    if (!runMainLoopUntil([&] { return m.SlewEndPhase != 0; })) return false;
    m.SlewEndPhase = 0;
    m.TelState = 1;
    return true;
  }
};

class SimulatedTemma2 : public SimulatedTemma2M {
 protected:
  SimulatedTemma2() { family_ = QStringLiteral("temma2"); }
  void startSim(const QStringList& extra = {}) {
    SimulatedTemma2M::startSim(extra);
    if (driver) driver->setModelText(QStringLiteral("Temma2"));
  }
};

TEST_F(SimulatedTemma2M, ANightFromConnectToDisconnect) {
  startSim();
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  EXPECT_TRUE(driver->StandByFlag() == false);  // start-up leaves the flag cleared
  const QStringList start = received();
  ASSERT_GE(start.size(), 6);
  EXPECT_EQ(start[0], QStringLiteral("E"));
  EXPECT_TRUE(start.contains(QStringLiteral("K+139443")) && start.contains(QStringLiteral("I+35400")))
      << start.join(u' ').toStdString();

  // A goto west of the meridian: the controller slews, reports the end, the position follows.
  double ra = 0, dec = 0;
  targetAt(30, 55, ra, dec);
  const double targetRa = ra, targetDec = dec;
  EXPECT_TRUE(control("state").contains("standby=1"));  // start-up leaves it in stand-by
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_FALSE(driver->StandByFlag());
  EXPECT_TRUE(control("state").contains("standby=0"));  // a goto leaves stand-by first
  ASSERT_TRUE(gotoEnds());
  driver->cmdStatus();
  EXPECT_LT(raGap(m.TelRA, targetRa), 2);
  EXPECT_NEAR(m.TelDec, targetDec, 12);  // the controller keeps tenths of a minute
  EXPECT_FALSE(host.pierSide.isEmpty());

  // A hand move north at the fast rate, then its end.
  driver->cmdMove(QStringLiteral("N"), 3);
  Wait(600);
  driver->cmdMove(QStringLiteral("N"), 9);
  driver->cmdStatus();
  EXPECT_GT(m.TelDec, targetDec + 60);

  // The side of the pier: a sync on a star on the other side of the meridian tells the
  // controller the tube is now on the other side ("PT" before "D").
  const QString westSide = host.pierSide;
  EXPECT_TRUE(westSide == "TE" || westSide == "TW") << westSide.toStdString();
  ra = 0;
  dec = 0;
  targetAt(-40, 55, ra, dec);
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  ASSERT_TRUE(gotoEnds());
  const qsizetype mark = received().size();
  ASSERT_TRUE(driver->cmdSync(ra, dec, QStringLiteral("EOD")));
  EXPECT_TRUE(received().mid(mark).contains(QStringLiteral("PT"))) << received().mid(mark).join(u' ').toStdString();
  driver->cmdStatus();
  EXPECT_TRUE(host.pierSide == "TE" || host.pierSide == "TW") << host.pierSide.toStdString();
  EXPECT_NE(host.pierSide, westSide);

  // Sync back on the first target: the controller reports it.
  ra = targetRa;
  dec = targetDec;
  ASSERT_TRUE(driver->cmdSync(ra, dec, QStringLiteral("EOD")));
  driver->cmdStatus();
  EXPECT_LT(raGap(m.TelRA, targetRa), 2);
  EXPECT_NEAR(m.TelDec, targetDec, 12);

  ASSERT_TRUE(driver->cmdConnect(false));
  EXPECT_FALSE(ReadIni(ini, "EncLog", "EncOfs1").isEmpty());
  EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(SimulatedTemma2, TheOlderModelsApproachFromOneSide) {
  WriteIni(ini, "TELESCOPE", "BackLash", " 1");
  WriteIni(ini, "TELESCOPE", "OverRun", " 30");
  WriteIni(ini, "Temma", "Volt", " 12");
  startSim();
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  EXPECT_TRUE(received().contains(QStringLiteral("v1")));
  double ra = 0, dec = 0;
  targetAt(80, 40, ra, dec);  // far west first
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  ASSERT_TRUE(gotoEnds());
  // Back toward the meridian: the hour axis runs backward, so the first goto aims 30 s of RA
  // further on and the second at the target.
  targetAt(20, 60, ra, dec);
  const double targetRa = ra, targetDec = dec;
  const qsizetype before = received().size();
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  ASSERT_TRUE(gotoEnds());
  const QStringList gotos = received().mid(before).filter(QRegularExpression(QStringLiteral("^P\\d")));
  ASSERT_EQ(gotos.size(), 2) << received().mid(before).join(u' ').toStdString();
  EXPECT_EQ(gotos[0], QStringLiteral("P") + frmTemma2M::PositionText(targetRa + 30, targetDec));
  EXPECT_EQ(gotos[1], QStringLiteral("P") + frmTemma2M::PositionText(targetRa, targetDec));
  driver->cmdStatus();
  EXPECT_LT(raGap(m.TelRA, targetRa), 2);
  ASSERT_TRUE(driver->cmdConnect(false));
}

TEST_F(SimulatedTemma2M, ASlewThatNeverEndsIsStoppedByTheObserver) {
  startSim({QStringLiteral("--never-stops")});
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  double ra = 0, dec = 0;
  targetAt(30, 55, ra, dec);
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  int polls = 0;
  runMainLoopUntil([&] { return ++polls > 12; });
  EXPECT_EQ(m.TelState, 2);
  EXPECT_EQ(m.SlewEndPhase, 0);
  const qsizetype before = received().size();
  driver->cmdStop();
  // The simulator logs what it has read: give it a moment for the last bytes.
  const auto stops = [&] { return received().mid(before).filter(QRegularExpression(QStringLiteral("^(M@|PS)$"))).size(); };
  for (int i = 0; i < 20 && stops() < 3; ++i) Wait(100);
  EXPECT_EQ(stops(), 3);
  EXPECT_EQ(m.TelState, 1);
  EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(SimulatedTemma2M, AControllerThatVanishesMidSlew) {
  startSim({QStringLiteral("--slew-rate"), QStringLiteral("1")});
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  double ra = 0, dec = 0;
  targetAt(30, 55, ra, dec);
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  driver->cmdStatus();
  const double seenRa = m.TelRA, seenDec = m.TelDec;
  ASSERT_EQ(control("fault vanish"), QByteArray("ok"));
  prompter.push(Answer::Ignore);
  driver->cmdStatus();
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].text, QStringLiteral("Temma2Mからの応答がありません（受信）\r(E)"));
  // The last position stays, the goto is not called complete, nothing more is asked.
  driver->cmdStatus();
  EXPECT_EQ(m.TelRA, seenRa);
  EXPECT_EQ(m.TelDec, seenDec);
  EXPECT_EQ(m.SlewEndPhase, 0);
  EXPECT_EQ(prompter.asked().size(), 1u);
  ASSERT_EQ(control("fault normal"), QByteArray("ok"));
  ASSERT_TRUE(driver->cmdConnect(false));
}

}  // namespace
