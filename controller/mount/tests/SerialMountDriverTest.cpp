// The behaviour every serial family shares: the transaction and its time-out question, the
// port opening, the encoder log, the slew watch and the status post-processing.
#include "DriverFixture.h"
#include "SerialMountDriver.h"
#include "frmLX200.h"

using namespace orvan;
using namespace orvan::testing;

namespace {

// A family driver with no protocol of its own, to run the other families' rows.
class BareDriver : public SerialMountDriver {
 public:
  using SerialMountDriver::SerialMountDriver;
  bool cmdConnect(bool) override { return OpenPort(); }
  void cmdStartUP() override {}
  int16_t cmdStandBy(bool) override { return 0; }
  void SendIdo() override {}
  void SendStime() override {}
  void cmdMove(const QString&, int16_t) override {}
  void cmdStatus() override {}
  void cmdStop() override {}
  bool SendGoto(double, double&, const AxisMove&, bool) override { return false; }
  bool SendSync(double, double&, const AxisMove&) override { return false; }
  bool SendZsync() override { return false; }
};

class Transaction : public DriverFixture {
 protected:
  Transaction() : drv(state, host, cal, ini, makeLink()) {
    drv.slewWatchTimer().stop();
    fake->open();
  }
  frmLX200 drv;
};

TEST_F(Transaction, RepliesAndCommandsThatExpectNone) {
  fake->queueReply(QByteArrayLiteral("12:34:56#"));
  EXPECT_EQ(drv.SendTelescope(QStringLiteral(":GR#")), QStringLiteral("12:34:56#"));
  // Moves, quits and rates are written and left: no poll at all.
  const int polls = fake->polls;
  for (const char* c : {":Mn#", ":Ms#", ":Me#", ":Mw#", ":Qn#", ":Q#", ":RS#", ":RM#", ":RC#"})
    EXPECT_EQ(drv.SendTelescope(QString::fromLatin1(c)), QString()) << c;
  EXPECT_EQ(fake->polls, polls);
  EXPECT_EQ(fake->writes.size(), 10);
  // Carriage returns and line feeds never reach the caller.
  fake->queueReply(QByteArrayLiteral("1\r\n"));
  EXPECT_EQ(drv.SendTelescope(QStringLiteral(":St+35*40:00#")), QStringLiteral("1"));
  EXPECT_TRUE(prompter.asked().empty());
  EXPECT_FALSE(drv.driverState().PortBusy);
}

TEST_F(Transaction, RetryKeepsWaitingWithoutSendingAgain) {
  fake->queueReply(QByteArrayLiteral("12:34:56#"), 2500);
  prompter.push(Answer::Retry);
  EXPECT_EQ(drv.SendTelescope(QStringLiteral(":GR#")), QStringLiteral("12:34:56#"));
  ASSERT_EQ(prompter.asked().size(), 1u);
  const auto& q = prompter.asked()[0];
  EXPECT_EQ(q.title, QStringLiteral("タイムアウト"));
  EXPECT_EQ(q.text, QStringLiteral("LX200からの応答がありません（受信）\r(:GR#)"));
  EXPECT_EQ(q.buttons, Buttons::AbortRetryIgnore);
  EXPECT_EQ(q.icon, Icon::Critical);
  EXPECT_EQ(fake->writes.size(), 1);
  EXPECT_EQ(drv.driverState().LastTimeoutAnswer, 4);
  EXPECT_EQ(host.formSizeChanges, std::vector<int>{2});
  EXPECT_EQ(readIni("PUBLIC", "FormSizeChange"), QStringLiteral("2"));
  EXPECT_EQ(host.unloads, 0);
  // Retry does not give up the link: the next command is sent.
  fake->queueReply(QByteArrayLiteral("+35*40:00#"));
  EXPECT_EQ(drv.SendTelescope(QStringLiteral(":GD#")), QStringLiteral("+35*40:00#"));
}

TEST_F(DriverFixture, IgnoreOrAClosedBoxGivesUpWithoutEndingTheProgram) {
  // Ignore, and a box closed with Escape or its close button (no answer, or Cancel).
  for (const Answer answer : {Answer::Ignore, Answer::None, Answer::Cancel}) {
    SCOPED_TRACE(static_cast<int>(answer));
    prompter.clear();
    state.mount.TelStatus[0].clear();
    host.unloads = 0;
    frmLX200 drv(state, host, cal, ini, makeLink());
    drv.slewWatchTimer().stop();
    fake->open();
    prompter.push(answer);
    prompter.push(Answer::Abort);  // a second question would end the program
    EXPECT_EQ(drv.SendTelescope(QStringLiteral(":GR#")), QString());
    // One question, no waiting on for a mount that is gone, and the program goes on.
    EXPECT_EQ(prompter.asked().size(), 1u);
    EXPECT_EQ(host.unloads, 0);
    EXPECT_EQ(state.mount.TelStatus[0], QStringLiteral("1"));
    EXPECT_EQ(drv.driverState().LastTimeoutAnswer, 5);
    EXPECT_FALSE(drv.driverState().PortBusy);
    // Communication is over: nothing more is written, every reply is empty, nothing is asked.
    fake->queueReply(QByteArrayLiteral("12:34:56#"));
    EXPECT_EQ(drv.SendTelescope(QStringLiteral(":GR#")), QString());
    EXPECT_EQ(drv.SendTelescope(QStringLiteral(":Q#")), QString());
    EXPECT_EQ(fake->writes.size(), 1);
    EXPECT_EQ(prompter.asked().size(), 1u);
    // And the encoder log is not written on closing.
    EXPECT_TRUE(drv.cmdConnect(false));
    EXPECT_EQ(readIni("EncLog", "EncOfs1"), QString());
  }
}

TEST_F(Transaction, AbortEndsTheProgramOnlyOnceTheTransactionHasReturned) {
  bool busyAtUnload = true;
  host.onUnload = [&] { busyAtUnload = drv.driverState().PortBusy; };
  prompter.push(Answer::Abort);
  EXPECT_EQ(drv.SendTelescope(QStringLiteral(":GR#")), QString());
  EXPECT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(host.unloads, 1);
  EXPECT_FALSE(busyAtUnload);
  EXPECT_EQ(state.mount.TelStatus[0], QStringLiteral("1"));
  EXPECT_EQ(drv.driverState().LastTimeoutAnswer, 3);
  // Nothing more is sent, and the program is not ended a second time.
  EXPECT_EQ(drv.SendTelescope(QStringLiteral(":GD#")), QString());
  EXPECT_EQ(fake->writes.size(), 1);
  EXPECT_EQ(host.unloads, 1);
}

TEST_F(Transaction, AnEventDuringTheWaitNeverSendsTheCommandAgain) {
  // A parity error while the reply comes in: the reply is what arrived, sent once.
  fake->queueReply(QByteArrayLiteral("0"), 100);
  fake->raiseOnNextPoll(comm::kEventRxParity);
  EXPECT_EQ(drv.SendTelescope(QStringLiteral(":Sr12:34:56#")), QStringLiteral("0"));
  EXPECT_EQ(fake->writes.size(), 1);
  // A port overrun stops the wait at once; nothing is sent again.
  fake->queueReply(QByteArray());
  fake->raiseOnNextPoll(comm::kEventOverrun);
  EXPECT_EQ(drv.SendTelescope(QStringLiteral(":Sd+10*00:00#")), QString());
  EXPECT_EQ(fake->writes.size(), 2);
  // A receive event (what a receive threshold raises on every byte) neither.
  fake->queueReply(QByteArrayLiteral("12:34:56#"), 40);
  fake->raiseOnNextPoll(comm::kEvReceive);
  EXPECT_EQ(drv.SendTelescope(QStringLiteral(":GR#")), QStringLiteral("12:34:56#"));
  EXPECT_EQ(fake->writes.size(), 3);
  EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(Transaction, AVanishedDeviceEndsInTheQuestionNotInALoop) {
  fake->vanish();
  EXPECT_EQ(drv.SendTelescope(QStringLiteral(":GR#")), QString());  // scripted observer: Abort
  EXPECT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(state.mount.CommEventCode, comm::kEventDeviceLost);
  EXPECT_LE(fake->writes.size(), 2);
}

TEST_F(Transaction, AReplyInPiecesIsReadUpToItsHash) {
  fake->queuePieces({{QByteArrayLiteral("12:3"), 0}, {QByteArrayLiteral("4:56#"), 100}});
  EXPECT_EQ(drv.SendTelescope(QStringLiteral(":GR#")), QStringLiteral("12:34:56#"));
  // A refused slew is "1", a text and "#"; it is read whole too.
  fake->queuePieces({{QByteArrayLiteral("1Obj"), 0}, {QByteArrayLiteral("ect Below Horizon#"), 100}});
  EXPECT_EQ(drv.SendTelescope(QStringLiteral(":MS#")), QStringLiteral("1Object Below Horizon#"));
  fake->queuePieces({{QByteArrayLiteral("0"), 0}});
  EXPECT_EQ(drv.SendTelescope(QStringLiteral(":MS#")), QStringLiteral("0"));
  // A "#" that never comes: what arrived is the reply, without a time-out question.
  fake->queueReply(QByteArrayLiteral("12:34"));
  EXPECT_EQ(drv.SendTelescope(QStringLiteral(":GR#")), QStringLiteral("12:34"));
  EXPECT_TRUE(prompter.asked().empty());
}

class OpenClose : public DriverFixture {
 protected:
  OpenClose() : drv(state, host, cal, ini, makeLink()) { drv.slewWatchTimer().stop(); }
  frmLX200 drv;
};

TEST_F(OpenClose, RetriesFiveTimesThenTellsTheObserver) {
  host.commPort = QStringLiteral("COM12");
  fake->failOpens(6, comm::kErrPortInvalid);
  EXPECT_FALSE(drv.cmdConnect(true));
  EXPECT_EQ(fake->openAttempts, 6);
  EXPECT_EQ(fake->commPort(), 12);
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].title, QStringLiteral("COMポートオープンエラー ( 8002)"));
  EXPECT_EQ(prompter.asked()[0].text, QStringLiteral("LX200側のCOMポートがOPENできません"));
  EXPECT_EQ(host.formSizeChanges, std::vector<int>{2});
  EXPECT_FALSE(drv.isConnected());
}

TEST_F(OpenClose, ConnectsAfterARetryStartsUpAndLoadsTheEncoderLog) {
  fake->failOpens(2);
  fake->setResponder([](const QByteArray&) { return QByteArrayLiteral("1"); });
  setIni("EncLog", "EncOfs1", " 100");
  setIni("EncLog", "EncOfs2", "-20");
  state.mount.AxisPos[0] = 30;
  state.mount.AxisPos[1] = 5;
  EXPECT_TRUE(drv.cmdConnect(true));
  EXPECT_EQ(fake->openAttempts, 3);
  EXPECT_TRUE(drv.isConnected());
  EXPECT_EQ(fake->settings(), QStringLiteral("9600,n,8,1"));
  EXPECT_FALSE(fake->dtrEnable());
  EXPECT_FALSE(fake->rtsEnable());
  EXPECT_EQ(state.mount.TelState, 1);
  // The LX200's axis counts come from the sky position it reports: the log is the offset.
  EXPECT_EQ(state.mount.AxisOfs[0], 100);
  EXPECT_EQ(state.mount.AxisOfs[1], -20);
  EXPECT_TRUE(prompter.asked().empty());
  // Already open: nothing is touched.
  const int writes = fake->writes.size();
  EXPECT_TRUE(drv.cmdConnect(true));
  EXPECT_EQ(fake->writes.size(), writes);
  EXPECT_EQ(fake->openAttempts, 3);
  // Closing stops the mount and logs 0 for both axes.
  EXPECT_TRUE(drv.cmdConnect(false));
  EXPECT_EQ(fake->writes.last(), QByteArrayLiteral(":Q#"));
  EXPECT_EQ(readIni("EncLog", "EncOfs1").trimmed(), QStringLiteral("0"));
  EXPECT_EQ(readIni("EncLog", "EncOfs2").trimmed(), QStringLiteral("0"));
  EXPECT_FALSE(fake->isOpen());
  EXPECT_FALSE(drv.isConnected());
}

TEST_F(OpenClose, AReconnectTakesTheAxesFromWhereTheMountStandsNow) {
  QByteArray ra = "02:00:00#", dec = "+10*00:00#";
  fake->setResponder([&](const QByteArray& w) { return w == ":GR#" ? ra : w == ":GD#" ? dec : QByteArrayLiteral("1"); });
  drv.setModelText(QStringLiteral("LX200GPS"));
  MountState& m = state.mount;
  ASSERT_TRUE(drv.cmdConnect(true));
  drv.cmdStatus();
  const int32_t first0 = m.AxisPos[0];
  EXPECT_EQ(m.AxisDisp[1], m.AxisPos[1]);
  ASSERT_TRUE(drv.cmdConnect(false));  // the LX200 logs 0

  // Meanwhile the mount was moved by its own hand paddle; the same run connects again. The
  // axes are those of the new position at once, and the displayed axes (which the dome
  // follows) are the mount's own, not shifted by the last session's.
  ra = "05:00:00#";
  dec = "+40*00:00#";
  ASSERT_TRUE(drv.cmdConnect(true));
  int32_t c1 = 0, c2 = 0;
  cal.TargetToAxisPosition(5 * 3600, 40 * 3600, c1, c2);
  EXPECT_EQ(m.AxisPos[0], c1);
  EXPECT_EQ(m.AxisPos[1], c2);
  EXPECT_NE(c1, first0);
  EXPECT_EQ(m.AxisOfs[0], 0);
  EXPECT_EQ(m.AxisOfs[1], 0);
  drv.cmdStatus();
  EXPECT_EQ(m.AxisDisp[1], c2);
  ASSERT_TRUE(drv.cmdConnect(false));

  // Bound again after another family counted its axes otherwise.
  m.AxisRev[0] = 4320000;
  m.AxisRev[1] = 2592000;
  drv.Selected();
  EXPECT_EQ(m.AxisRev[0], 1296000);
  EXPECT_EQ(m.AxisRev[1], 1296000);
}

// A family whose controller counts its axes from switch-on: the logged counts carry over
// from the position read while connecting, not from the last session's.
class CountingDriver final : public BareDriver {
 public:
  using BareDriver::BareDriver;
  bool cmdConnect(bool open) override {
    if (!open) return true;
    if (!OpenPort()) return false;
    FinishConnect();
    return true;
  }
  double ra = 0, dec = 0;

 protected:
  bool ReadPosition() override {
    mount().TelRA = ra;
    mount().TelDec = dec;
    return true;
  }
};

TEST_F(DriverFixture, CountedAxesCarryTheLogOverFromTheFreshPosition) {
  CountingDriver d(FamilyEVexil(), state, host, cal, makeLink(), ini);
  d.slewWatchTimer().stop();
  setIni("EncLog", "EncOfs1", " 1000");
  setIni("EncLog", "EncOfs2", "-500");
  state.mount.AxisPos[0] = 77777;  // the last session's
  state.mount.AxisPos[1] = 88888;
  d.ra = 4 * 3600;
  d.dec = 20 * 3600;
  ASSERT_TRUE(d.cmdConnect(true));
  int32_t c1 = 0, c2 = 0;
  cal.TargetToAxisPosition(d.ra, d.dec, c1, c2);
  EXPECT_EQ(state.mount.AxisOfs[0], 1000 - c1);
  EXPECT_EQ(state.mount.AxisOfs[1], -500 - c2);
}

TEST_F(DriverFixture, OtherFamiliesRows) {
  // E-Vexil: the wait always stops; Retry runs the transaction again and returns its reply.
  {
    BareDriver d(FamilyEVexil(), state, host, cal, makeLink(), ini);
    // Its port: RTS on, an event for every byte received and every byte sent.
    ASSERT_TRUE(d.cmdConnect(true));
    EXPECT_TRUE(fake->rtsEnable());
    EXPECT_EQ(fake->rThreshold(), 1);
    EXPECT_EQ(fake->sThreshold(), 1);
    fake->queueReply(QByteArray());
    fake->queueReply(QByteArrayLiteral("OK\r"));
    prompter.push(Answer::Retry);
    EXPECT_EQ(d.SendTelescope(QStringLiteral("V")), QStringLiteral("OK"));
    EXPECT_EQ(fake->writes, (QByteArrayList{"V\r", "V\r"}));
    ASSERT_EQ(prompter.asked().size(), 1u);
    EXPECT_EQ(prompter.asked()[0].text, QStringLiteral("E-Vexilからの応答がありません（受信）"));
    // Ignore: communication failed, but the program goes on.
    prompter.push(Answer::Ignore);
    EXPECT_EQ(d.SendTelescope(QStringLiteral("V")), QString());
    EXPECT_EQ(state.mount.TelStatus[0], QStringLiteral("1"));
    EXPECT_EQ(host.unloads, 0);
    EXPECT_EQ(d.SendTelescope(QStringLiteral("V")), QString());
    EXPECT_EQ(fake->writes.size(), 3);
  }
  prompter.clear();
  state.mount.TelStatus[0].clear();
  // Temma: CR LF appended; "s" gives up silently; moves are not waited for.
  {
    BareDriver d(FamilyTemma(), state, host, cal, makeLink(), ini);
    fake->open();
    EXPECT_EQ(d.SendTelescope(QStringLiteral("s")), QString());
    EXPECT_TRUE(prompter.asked().empty());
    EXPECT_EQ(d.SendTelescope(QStringLiteral("MA")), QString());
    EXPECT_EQ(fake->writes, (QByteArrayList{"s\r\n", "MA\r\n"}));
    fake->queueReply(QByteArrayLiteral("E+123\r\n"));
    EXPECT_EQ(d.SendTelescope(QStringLiteral("E")), QStringLiteral("E+123"));
  }
  // While a transaction runs (a handler called inside its time-out question), waiting for the
  // port gives up rather than waiting for ever on a wait that is below it on the stack.
  {
    BareDriver d(FamilyEVexil(), state, host, cal, makeLink(), ini);
    d.driverState().PortBusy = true;
    EXPECT_FALSE(d.WaitTelescope());
    d.driverState().PortBusy = false;
    EXPECT_TRUE(d.WaitTelescope());
  }
  // RST-400: a reply ends at "#", set commands are not waited for.
  {
    BareDriver d(FamilyRST400(), state, host, cal, makeLink(), ini);
    fake->open();
    fake->queueReply(QByteArrayLiteral("12:34:56#"));
    EXPECT_EQ(d.SendTelescope(QStringLiteral(":GR#")), QStringLiteral("12:34:56#"));
    EXPECT_EQ(d.SendTelescope(QStringLiteral(":Sr12:34:56#")), QString());
    EXPECT_EQ(fake->writes, (QByteArrayList{":GR#\r", ":Sr12:34:56#\r"}));
  }
}

TEST_F(DriverFixture, ErrorEventsAreNamedForFamiliesThatShowThem) {
  BareDriver d(FamilyEVexil(), state, host, cal, makeLink(), ini);
  d.OnCommEvent(comm::kEvReceive);
  EXPECT_TRUE(prompter.asked().empty());
  d.OnCommEvent(1009);
  d.OnCommEvent(comm::kEventDeviceLost);
  ASSERT_EQ(prompter.asked().size(), 2u);
  EXPECT_EQ(prompter.asked()[0].text, QStringLiteral("パリティ エラー"));
  EXPECT_EQ(prompter.asked()[1].text, QStringLiteral("その他の通信エラー"));
  EXPECT_EQ(state.mount.CommEventCode, comm::kEventDeviceLost);
}

}  // namespace
