// The E-Vexil driver against the simulated stepping-motor controller, through a real
// pseudo-terminal: counts, the two-stage approach, sync on the computer side, hand moves,
// the encoder log over a reconnect, and a controller that vanishes between the stages.
#include "DriverOnSimulator.h"
#include "Vb.h"
#include "frmEVexil.h"

#include <QRegularExpression>
#include <cmath>

using namespace orvan;
using namespace orvan::testing;

namespace {

class SimulatedEVexil : public DriverOnSimulator<frmEVexil> {
 protected:
  SimulatedEVexil() : DriverOnSimulator("evexil") {}
  long long simCount(int axis) {
    const QRegularExpressionMatch mm =
        QRegularExpression(QStringLiteral("count%1=(-?\\d+)").arg(axis)).match(QString::fromLatin1(control("state")));
    return mm.hasMatch() ? mm.captured(1).toLongLong() : LLONG_MIN;
  }
};

TEST_F(SimulatedEVexil, GotosLandOnTargetSyncMovesNothingAndTheLogCarriesOver) {
  WriteIni(ini, "TELESCOPE", "BackLash", " 1");
  WriteIni(ini, "TELESCOPE", "OverRun", " 3600");
  startSim();
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  EXPECT_EQ(m.AxisRev[0], 1296000);
  EXPECT_TRUE(prompter.asked().empty());

  // Far west of the meridian: the hour axis runs forward, one stage.
  double ra = 0, dec = 0;
  targetAt(60, 50, ra, dec);
  double targetRa = ra, targetDec = dec;
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_FALSE(driver->driverState().ApproachDelay);
  ASSERT_TRUE(runMainLoopUntil([&] { return m.SlewEndPhase == 1; }));
  m.SlewEndPhase = 0;  // what the main loop does
  m.TelState = 1;
  driver->cmdStatus();
  EXPECT_LT(raGap(m.TelRA, targetRa), 2.0) << m.TelRA << " " << targetRa;
  EXPECT_NEAR(m.TelDec, targetDec, 2);

  // Back toward the meridian: the hour axis must run backward, so it overshoots by the
  // overrun and comes back forward.
  targetAt(10, 60, ra, dec);
  targetRa = ra;
  targetDec = dec;
  const qsizetype before = received().size();
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_TRUE(driver->driverState().ApproachDelay);
  ASSERT_TRUE(runMainLoopUntil([&] { return m.SlewEndPhase == 1; }));
  m.SlewEndPhase = 0;
  m.TelState = 1;
  const QStringList moves = received().mid(before).filter(QRegularExpression(QStringLiteral("^DVRA")));
  // A third, small forward move may follow: the trim that makes up what the sky moved while
  // the controller positioned, which depends on how long the stages took.
  ASSERT_TRUE(moves.size() == 2 || moves.size() == 3) << received().mid(before).join(u' ').toStdString();
  EXPECT_TRUE(moves[0].startsWith(QStringLiteral("DVRAR4#")));
  EXPECT_TRUE(moves[1].startsWith(QStringLiteral("DVRAF4#")));
  if (moves.size() == 3) {
    EXPECT_TRUE(moves[2].startsWith(QStringLiteral("DVRAF4#")));
    EXPECT_LE(moves[2].mid(7).toLongLong(nullptr, 16), 1296000 / 360) << moves[2].toStdString();
  }
  // On target: the declination within a count, the hour axis within the second to which the
  // sidereal time is kept (15 counts here), having made up the sky's motion during the slew.
  Wait(300);
  driver->cmdStatus();
  int32_t t1 = 0, t2 = 0;
  cal.TargetToAxisPosition(targetRa, targetDec, t1, t2);
  std::printf("  landed %d and %d counts from the target\n", m.AxisDisp[0] - t1, m.AxisDisp[1] - t2);
  EXPECT_LE(std::abs(m.AxisDisp[0] - t1), 16);
  EXPECT_LE(std::abs(m.AxisDisp[1] - t2), 1);
  EXPECT_TRUE(control("state").contains("tracking=1"));

  // Sync on a star ten minutes of RA away: nothing reaches the controller, the shown position
  // moves.
  const long long c1 = simCount(1);
  const auto commands = [&] { return received().filter(QRegularExpression(QStringLiteral("^(?!(GP|ST)$)"))); };
  const qsizetype sent = commands().size();
  ra = targetRa + 600;
  dec = targetDec;
  ASSERT_TRUE(driver->cmdSync(ra, dec, QStringLiteral("EOD")));
  driver->cmdStatus();
  EXPECT_LT(raGap(m.TelRA, targetRa + 600), 2.0);
  EXPECT_EQ(commands().size(), sent);
  EXPECT_NEAR(static_cast<double>(simCount(1)), static_cast<double>(c1), 200);  // tracking only

  // A hand move north, then its end: tracking again.
  const long long d0 = simCount(2);
  driver->cmdMove(QStringLiteral("N"), 3);
  Wait(600);
  driver->cmdMove(QStringLiteral("N"), 9);
  EXPECT_GT(simCount(2), d0 + 100);
  EXPECT_TRUE(control("state").contains("tracking=1"));

  // Disconnect and connect again: the logged axes carry the position over.
  driver->cmdStatus();
  const double shownDec = m.TelDec;
  ASSERT_TRUE(driver->cmdConnect(false));
  EXPECT_FALSE(ReadIni(ini, "EncLog", "EncOfs2").isEmpty());
  ASSERT_TRUE(driver->cmdConnect(true));
  driver->cmdStatus();
  EXPECT_NEAR(m.TelDec, shownDec, 2);
  ASSERT_TRUE(driver->cmdConnect(false));
  EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(SimulatedEVexil, TheBacklashGotoOfTheManual) {
  // The logged axes put the hour axis 5000 counts past a target it must come back to; with
  // backlash handling and an overrun of 3600", 1 296 000 counts per turn, the first move is
  // DVRAR4#00002198 (8600 counts), less what the sky moves meanwhile.
  WriteIni(ini, "TELESCOPE", "BackLash", " 1");
  WriteIni(ini, "TELESCOPE", "OverRun", " 3600");
  double ra = 0, dec = 0;
  targetAt(10, 60, ra, dec);
  state.mount.AxisRev[0] = state.mount.AxisRev[1] = 1296000;  // what the controller will report
  int32_t t1 = 0, t2 = 0;
  cal.TargetToAxisPosition(ra, dec, t1, t2);
  WriteIni(ini, "EncLog", "EncOfs1", QString::number(t1 + 5000));
  WriteIni(ini, "EncLog", "EncOfs2", QString::number(t2));
  startSim();
  ASSERT_TRUE(driver->cmdConnect(true));
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  const QStringList moves = received().filter(QRegularExpression(QStringLiteral("^DV")));
  ASSERT_EQ(moves.size(), 2) << received().join(u' ').toStdString();
  ASSERT_TRUE(moves[0].startsWith(QStringLiteral("DVRAR4#"))) << moves[0].toStdString();
  const int sent = moves[0].mid(7).toInt(nullptr, 16);
  EXPECT_LE(sent, 0x2198);
  EXPECT_GE(sent, 0x2198 - 60);  // at most four seconds of sidereal time later
  EXPECT_EQ(moves[1], QStringLiteral("DVDCR4#00000000"));
  ASSERT_TRUE(driver->cmdConnect(false));
}

TEST_F(SimulatedEVexil, AControllerThatVanishesBetweenTheStages) {
  WriteIni(ini, "TELESCOPE", "BackLash", " 1");
  WriteIni(ini, "TELESCOPE", "OverRun", " 3600");
  startSim({QStringLiteral("--slew-rate"), QStringLiteral("1")});
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  // The counters start at the meridian: a target west of it at first, then one nearer it, so
  // the hour axis runs backward.
  double ra = 0, dec = 0;
  targetAt(10, 60, ra, dec);
  state.mount.AxisOfs[0] = 200000;
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  ASSERT_TRUE(driver->driverState().ApproachDelay);
  ASSERT_EQ(control("fault vanish"), QByteArray("ok"));
  // The lost device is reported as the error it raised, then the reply never comes.
  prompter.push(Answer::Ok);
  prompter.push(Answer::Ignore);
  driver->cmdStatus();
  ASSERT_EQ(prompter.asked().size(), 2u);
  EXPECT_EQ(prompter.asked()[0].text, QStringLiteral("その他の通信エラー"));
  EXPECT_EQ(prompter.asked()[1].text, QStringLiteral("E-Vexilからの応答がありません（受信）"));
  EXPECT_EQ(m.TelStatus[0], QStringLiteral("1"));
  EXPECT_EQ(host.unloads, 0);
  // Given up: no final approach, nothing more sent, the goto not called complete.
  driver->cmdStatus();
  ASSERT_EQ(control("fault normal"), QByteArray("ok"));
  EXPECT_EQ(received().filter(QRegularExpression(QStringLiteral("^DVRAF4#"))).size(), 0);
  EXPECT_EQ(m.SlewEndPhase, 0);
  EXPECT_EQ(host.linkOks, 0);
  ASSERT_TRUE(driver->cmdConnect(false));
  EXPECT_EQ(ReadIni(ini, "EncLog", "EncOfs1"), QString());
}

}  // namespace
