// The E-Vexil driver's counts, moves and guards against a scripted controller.
#include "DriverFixture.h"
#include "Vb.h"
#include "frmEVexil.h"

#include <cmath>

using namespace orvan;
using namespace orvan::testing;

namespace {

class EVexil : public DriverFixture {
 protected:
  EVexil() : drv(state, host, cal, ini, makeLink()) {
    drv.slewWatchTimer().stop();
    fake->attachClock(nullptr);  // the sky stands still: counts are exact
    fake->setResponder([this](const QByteArray& w) { return reply(w); });
  }
  QByteArray reply(const QByteArray& w) {
    const QByteArray c = w.chopped(1);  // the carriage return
    if (c == "RD") return rd + "\r";
    if (c == "PA") return "PA=0A,02\r";
    if (c == "GP") return "GP=" + hex(gp1) + "," + hex(gp2) + "\r";
    if (c == "ST") return st + "\r";
    return "OK\r";
  }
  static QByteArray hex(int32_t v) { return QByteArray::number(static_cast<uint32_t>(v), 16).rightJustified(8, '0').toUpper(); }
  QStringList sent() {
    QStringList out = written();
    for (QString& s : out) s.chop(1);
    return out;
  }
  // A target high in the south and its axis counts now.
  void target(double& ra, double& dec, int32_t& t1, int32_t& t2) {
    cal.HorizontalToEquatorial(0, 60, ra, dec);
    ra = std::nearbyint(ra);
    dec = std::nearbyint(dec);
    cal.TargetToAxisPosition(ra, dec, t1, t2);
  }
  QByteArray rd = "RD=0013C680,0013C680";
  int32_t gp1 = 0, gp2 = 0;
  QByteArray st = "STIF0IF0";
  frmEVexil drv;
};

TEST_F(EVexil, ConnectReadsTheControllerAndTheLog) {
  setIni("EncLog", "EncOfs1", " 1000");
  setIni("EncLog", "EncOfs2", "-50");
  gp1 = 40960;
  gp2 = -4096;
  ASSERT_TRUE(drv.cmdConnect(true));
  EXPECT_TRUE(fake->rtsEnable());
  EXPECT_EQ(sent(), (QStringList{"SP0", "RD", "PA", "GP"}));
  EXPECT_EQ(state.mount.AxisRev[0], 1296000);
  EXPECT_EQ(state.mount.AxisPos[0], 40960);
  EXPECT_EQ(state.mount.AxisPos[1], -4096);
  EXPECT_EQ(state.mount.AxisOfs[0], 1000 - 40960);
  EXPECT_EQ(state.mount.AxisOfs[1], -50 + 4096);
  // Closing logs the folded axes modulo a turn, keeping the sign: one count below minus a
  // turn is -1.
  state.mount.AxisDisp[0] = -1296001;
  state.mount.AxisDisp[1] = 20;
  ASSERT_TRUE(drv.cmdConnect(false));
  EXPECT_EQ(sent().last(), QStringLiteral("SP0"));
  EXPECT_EQ(readIni("EncLog", "EncOfs1"), QStringLiteral("-1"));
  EXPECT_EQ(readIni("EncLog", "EncOfs2"), QStringLiteral("20"));
}

TEST_F(EVexil, ZeroCountsPerTurnRefuseEverythingThatDividesByThem) {
  setIni("EncLog", "EncOfs1", " 77");
  for (const QByteArray& bad : {QByteArray("RD=00000000,0013C680"), QByteArray("RD=0013C6"), QByteArray("RD=0013X680,0013C680")}) {
    rd = bad;
    prompter.clear();
    ASSERT_TRUE(drv.cmdConnect(true));
    ASSERT_EQ(prompter.asked().size(), 1u) << bad.constData();
    EXPECT_TRUE(prompter.asked()[0].text.contains(QStringLiteral("RD")));
    EXPECT_FALSE(drv.CountsPerTurnKnown());
    double ra = 0, dec = 0;
    int32_t t1 = 0, t2 = 0;
    target(ra, dec, t1, t2);
    fake->writes.clear();
    EXPECT_FALSE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
    EXPECT_FALSE(drv.cmdSync(ra, dec, QStringLiteral("EOD")));
    EXPECT_TRUE(fake->writes.isEmpty());
    drv.cmdStatus();  // no crash, no position
    ASSERT_TRUE(drv.cmdConnect(false));
    EXPECT_EQ(readIni("EncLog", "EncOfs1"), QStringLiteral("77"));
  }
}

TEST_F(EVexil, GotoMovesByCountsWithTheOverrunApproach) {
  ASSERT_TRUE(drv.cmdConnect(true));
  double ra = 0, dec = 0;
  int32_t t1 = 0, t2 = 0;
  target(ra, dec, t1, t2);
  // The hour axis 5000 counts past the target (it must run backward), the other axis on it.
  state.mount.AxisOfs[0] = 0;
  state.mount.AxisOfs[1] = 0;
  gp1 = t1 + 5000;
  gp2 = t2;
  setIni("TELESCOPE", "BackLash", "1");
  setIni("TELESCOPE", "OverRun", "3600");
  fake->writes.clear();
  ASSERT_TRUE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_EQ(sent(), (QStringList{"SP0", "GP", "DVRAR4#00002198", "DVDCR4#00000000"}));
  EXPECT_TRUE(drv.driverState().ApproachDelay);
  EXPECT_EQ(state.mount.TelState, 2);
  EXPECT_EQ(host.telSlewings, std::vector<int>{1});

  // Both axes stop: the final approach comes back forward by the overrun, also for a goto that
  // is to stop when it ends (a park).
  st = "STPR4IR0";
  drv.cmdStatus();
  state.mount.StopRequest = kTrue;
  gp1 = t1 - 3600;
  st = "STIF0IR0";
  fake->writes.clear();
  drv.cmdStatus();
  QStringList s = sent();
  EXPECT_EQ(s.mid(s.size() - 2), (QStringList{"DVRAF4#00000E10", "DVDCR4#00000000"})) << s.join(u' ').toStdString();
  EXPECT_FALSE(drv.driverState().ApproachDelay);
  EXPECT_EQ(state.mount.SlewEndPhase, 0);
  EXPECT_EQ(state.mount.StopRequest, kTrue);
  // On target: the stop asked for is handed to the main loop, once.
  gp1 = t1;
  drv.cmdStatus();
  EXPECT_EQ(state.mount.SlewEndPhase, 2);
  state.mount.SlewEndPhase = 0;
  drv.cmdStatus();
  EXPECT_EQ(state.mount.SlewEndPhase, 0);
  // Without a stop request the goto is handed over and tracking starts.
  state.mount.StopRequest = kFalse;
  gp1 = t1 - 10;
  ASSERT_TRUE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  gp1 = t1;
  fake->writes.clear();
  drv.cmdStatus();
  EXPECT_EQ(state.mount.SlewEndPhase, 1);
  EXPECT_EQ(sent().mid(sent().size() - 2), (QStringList{"SP1", "GP"}));  // on target: nothing to trim
  EXPECT_EQ(state.mount.TelStatus[10], QStringLiteral("0"));
  EXPECT_NEAR(state.mount.TelRA, ra, 1);
  EXPECT_NEAR(state.mount.TelDec, dec, 1);
}

TEST_F(EVexil, ForwardMovesAndAStopRequest) {
  ASSERT_TRUE(drv.cmdConnect(true));
  double ra = 0, dec = 0;
  int32_t t1 = 0, t2 = 0;
  target(ra, dec, t1, t2);
  state.mount.AxisOfs[0] = 0;
  state.mount.AxisOfs[1] = 0;
  gp1 = t1;
  gp2 = t2 + 1;
  fake->writes.clear();
  ASSERT_TRUE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_EQ(sent().mid(2), (QStringList{"DVRAF4#00000000", "DVDCR4#00000001"}));
  EXPECT_FALSE(drv.driverState().ApproachDelay);
  // A status word the controller never sends neither ends the goto nor marks it moving.
  st = "ST??0IF0";
  drv.cmdStatus();
  EXPECT_EQ(state.mount.TelState, 2);
  EXPECT_EQ(state.mount.SlewEndPhase, 0);
  st = "STPF4BR2";
  drv.cmdStatus();
  EXPECT_EQ(state.mount.TelStatus[10], QStringLiteral("2"));
  EXPECT_EQ(state.mount.TelStatus[6], QStringLiteral("1"));
  EXPECT_EQ(state.mount.TelStatus[9], QStringLiteral("1"));
  EXPECT_EQ(state.mount.TelStatus[8], QStringLiteral("2"));
  state.mount.StopRequest = kTrue;
  st = "STIF0IF0";
  drv.cmdStatus();
  EXPECT_EQ(state.mount.SlewEndPhase, 2);
}

TEST_F(EVexil, SyncHandMovesAndGarbledCounters) {
  ASSERT_TRUE(drv.cmdConnect(true));
  double ra = 0, dec = 0;
  int32_t t1 = 0, t2 = 0;
  target(ra, dec, t1, t2);
  gp1 = 123456;
  gp2 = -7890;
  drv.cmdStatus();
  fake->writes.clear();
  ASSERT_TRUE(drv.cmdSync(ra, dec, QStringLiteral("EOD")));
  EXPECT_TRUE(fake->writes.isEmpty());
  EXPECT_EQ(state.mount.AxisOfs[0], t1 - 123456);
  EXPECT_EQ(state.mount.AxisOfs[1], t2 + 7890);
  drv.cmdStatus();
  EXPECT_NEAR(state.mount.TelRA, ra, 1);
  EXPECT_NEAR(state.mount.TelDec, dec, 1);
  // A counter at the end of its 32 bits, with an offset beyond it: no overflow, a position.
  gp1 = INT32_MAX;
  state.mount.AxisOfs[0] = INT32_MAX;
  drv.cmdStatus();
  EXPECT_GE(state.mount.TelRA, 0);
  EXPECT_LT(state.mount.TelRA, 86400);
  state.mount.AxisOfs[0] = t1 - 123456;
  gp1 = 123456;
  drv.cmdStatus();
  // A cut or garbled counter reply keeps the position.
  const double shownRa = state.mount.TelRA;
  gp1 = 0;
  for (const char* bad : {"GP=0001", "GP=0001E24G,FFFFE12E"}) {
    fake->setResponder([&](const QByteArray& w) { return w == "GP\r" ? QByteArray(bad) + "\r" : reply(w); });
    drv.cmdStatus();
    EXPECT_EQ(state.mount.AxisPos[0], 123456) << bad;
    EXPECT_EQ(state.mount.TelRA, shownRa) << bad;
  }
  fake->writes.clear();
  drv.cmdMove(QStringLiteral("N"), 1);
  drv.cmdMove(QStringLiteral("E"), 3);
  drv.cmdMove(QString(), 2);  // no direction: nothing to send
  drv.cmdMove(QStringLiteral("E"), 9);
  EXPECT_EQ(sent(), (QStringList{"DVDCF2", "DVRAR4", "SP1"}));
  EXPECT_EQ(host.telSlewings.back(), 0);
  EXPECT_TRUE(prompter.asked().empty());
}

}  // namespace
