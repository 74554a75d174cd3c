// Gotos, parks and syncs end when the mount really has, against simulated mounts that behave
// as real ones do on a bad night: a slew that starts late, the one "F" of a Temma lost on the
// line, a target the controller does not take, a move whose acknowledgement is lost, a side
// change that raises the slewing flag. Real driver, real pseudo-terminal, real simulator.
#include "DriverOnSimulator.h"
#include "frmEVexil.h"
#include "frmLX200.h"
#include "frmRST400.h"
#include "frmTemma2M.h"

#include <QRegularExpression>
#include <cmath>

using namespace orvan;
using namespace orvan::testing;

namespace {

template <class Driver>
class Simulated : public DriverOnSimulator<Driver> {
 protected:
  using Base = DriverOnSimulator<Driver>;
  explicit Simulated(const char* family) : Base(family) {}
  // A field of the simulator's state line ("tracking", "count1", ...).
  QString simField(const char* name) {
    const QRegularExpressionMatch mm = QRegularExpression(QStringLiteral("\\b%1=(\\S+)").arg(QLatin1String(name)))
                                           .match(QString::fromLatin1(this->control("state")));
    return mm.hasMatch() ? mm.captured(1) : QString();
  }
  // Waits until the simulator has logged `count` commands matching `pattern`.
  qsizetype receivedMatching(const QString& pattern, qsizetype count = 1) {
    const QRegularExpression re(pattern);
    qsizetype n = 0;
    for (int i = 0; i < 50 && (n = this->received(false).filter(re).size()) < count; ++i) Wait(100);
    return n;
  }
};

class LateRst400 : public Simulated<frmRST400> {
 protected:
  LateRst400() : Simulated("rst400") {}
};
class LateEVexil : public Simulated<frmEVexil> {
 protected:
  LateEVexil() : Simulated("evexil") {}
};
class LossyTemma : public Simulated<frmTemma2M> {
 protected:
  LossyTemma() : Simulated("temma2m") {}
};
class AbandonedLx200 : public Simulated<frmLX200> {
 protected:
  AbandonedLx200() : Simulated("lx200gps") {}
  void startSim(const QStringList& extra = {}) {
    Simulated::startSim(extra);
    if (driver) driver->setModelText(QStringLiteral("LX200GPS"));
  }
};

// A park on a controller that starts its slew seconds after ":MS#": the park ends only once the
// mount has been there, and its stop does not cancel a slew that has not begun.
TEST_F(LateRst400, AParkWaitsForASlewThatStartsLateThenTrackingIsOnAgainAfterAGoto) {
  startSim({QStringLiteral("--start-delay"), QStringLiteral("3")});
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  double ra = 0, dec = 0;
  targetAt(0, 45, ra, dec);
  const double parkRa = ra, parkDec = dec;
  m.StopRequest = kTrue;
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  ASSERT_TRUE(runMainLoopUntil([&] { return !host.missions.empty(); }));
  EXPECT_EQ(host.missions.back(), 99);
  EXPECT_LT(raGap(simField("ra").toDouble(), parkRa), 2) << simField("ra").toStdString();
  EXPECT_NEAR(simField("dec").toDouble(), parkDec, 2);
  EXPECT_EQ(simField("tracking"), QStringLiteral("0"));  // parked: stopped where it should be
  EXPECT_EQ(host.linkNgs, 0);

  // An ordinary goto switches tracking off before ":MS#" and on again at the target, so the
  // mount tracks the object it was sent to even after a late start.
  driver->cmdTrucking();
  targetAt(30, 60, ra, dec);
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  ASSERT_TRUE(runMainLoopUntil([&] { return host.linkOks == 1; }));
  const QStringList cmds = received(false);
  ASSERT_EQ(cmds.filter(QRegularExpression(QStringLiteral("^:MS#"))).size(), 2);
  EXPECT_GT(cmds.lastIndexOf(QStringLiteral(":CtA#")), cmds.lastIndexOf(QStringLiteral(":MS#")));
  EXPECT_LT(raGap(m.TelRA, ra), 1);
}

// A target the controller does not take (its read-back is another): no goto, and tracking
// stays as it was instead of being switched off for a slew that never comes.
TEST_F(LateRst400, ARefusedTargetLeavesTrackingOn) {
  startSim({QStringLiteral("--holds-target")});
  ASSERT_TRUE(driver->cmdConnect(true));
  double ra = 0, dec = 0;
  targetAt(20, 50, ra, dec);
  EXPECT_FALSE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_EQ(driver->lastRefusal(), QStringLiteral("Target Not Set"));
  EXPECT_NE(state.mount.TelState, 2);
  EXPECT_FALSE(received(false).contains(QStringLiteral(":CtL#")));
  EXPECT_FALSE(received(false).contains(QStringLiteral(":MS#")));
  EXPECT_EQ(simField("tracking"), QStringLiteral("1"));
  EXPECT_EQ(host.telSlewings, std::vector<int>{});
}

// The E-Vexil answers "I I" for a while after taking its moves: the goto goes on until the
// mount has moved, and the hour-axis trim belongs to the goto, which ends once, after it.
TEST_F(LateEVexil, AMoveThatStartsLateIsWaitedForAndTheTrimEndsBeforeTheGoto) {
  startSim({QStringLiteral("--start-delay"), QStringLiteral("2")});
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  double ra = 0, dec = 0;
  targetAt(60, 50, ra, dec);
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  ASSERT_TRUE(runMainLoopUntil([&] { return m.SlewEndPhase == 1; }));
  m.SlewEndPhase = 0;  // what the main loop does
  m.TelState = 1;
  // Where the mount stands at the reported end: on the target (the trim, which starts late
  // too, leaves it the start's few seconds behind), both axes at rest, and the controller
  // asked for its state after the trim went out.
  EXPECT_TRUE(simField("axis1").startsWith(u'I')) << simField("axis1").toStdString();
  EXPECT_TRUE(simField("axis2").startsWith(u'I'));
  driver->cmdStatus();
  EXPECT_LT(raGap(m.TelRA, m.GotoRA), 5) << m.TelRA << " " << m.GotoRA;
  EXPECT_NEAR(m.TelDec, m.GotoDec, 2);
  const QStringList cmds = received(false);
  const QStringList trims = cmds.filter(QRegularExpression(QStringLiteral("^DVRAF4#")));
  ASSERT_EQ(trims.size(), 2);
  EXPECT_TRUE(cmds.mid(cmds.lastIndexOf(trims.last())).contains(QStringLiteral("ST")));
  // Ended once: later polls report nothing more.
  for (int i = 0; i < 3; ++i) driver->cmdStatus();
  EXPECT_EQ(m.SlewEndPhase, 0);
  EXPECT_EQ(m.TelState, 1);
}

// The acknowledgement of a move is lost and the observer answers Retry: the move, which the
// controller did make, is not sent again; what is still missing is, and the goto lands.
TEST_F(LateEVexil, RetryAfterALostAcknowledgementNeverDoublesAMove) {
  startSim({QStringLiteral("--lost-move-ok"), QStringLiteral("1")});
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  double ra = 0, dec = 0;
  targetAt(60, 50, ra, dec);
  prompter.push(Answer::Retry);
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].text, QStringLiteral("E-Vexilからの応答がありません（受信）"));
  ASSERT_TRUE(runMainLoopUntil([&] { return m.SlewEndPhase == 1; }));
  driver->cmdStatus();
  EXPECT_LT(raGap(m.TelRA, m.GotoRA), 1.5) << m.TelRA << " " << m.GotoRA;
  EXPECT_NEAR(m.TelDec, m.GotoDec, 2);
}

// The one "F" of a finished goto never arrives: the goto still ends, on "s0" after "s1" or on
// the position settled at the target.
TEST_F(LossyTemma, AGotoWhoseFinishIsLostStillEnds) {
  startSim({QStringLiteral("--f-count"), QStringLiteral("0"), QStringLiteral("--slew-rate"), QStringLiteral("5")});
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  double ra = 0, dec = 0;
  targetAt(30, 55, ra, dec);
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  ASSERT_TRUE(runMainLoopUntil([&] { return m.SlewEndPhase == 1; }));
  EXPECT_NE(driver->PierSide(), QStringLiteral("F"));
  EXPECT_LT(raGap(m.TelRA, ra), 2);
  EXPECT_NEAR(m.TelDec, dec, 12);
  EXPECT_EQ(simField("slewing"), QStringLiteral("0"));

  // A park that loses its "F" ends too, and is stopped where it arrived.
  m.SlewEndPhase = 0;
  m.TelState = 1;
  targetAt(0, 40, ra, dec);
  m.StopRequest = kTrue;
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  ASSERT_TRUE(runMainLoopUntil([&] { return m.SlewEndPhase == 2; }));
  EXPECT_LT(raGap(m.TelRA, ra), 2);
}

// A sync on the other side of the pier: "PT", then "s1" while the controller turns the axes
// round. No goto was asked for, so none is reported or waited for.
TEST_F(LossyTemma, ASideChangeAtASyncIsNoSlew) {
  startSim({QStringLiteral("--side-change"), QStringLiteral("30")});
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  driver->cmdStatus();
  const QString side = driver->PierSide();
  ASSERT_TRUE(side == u"E" || side == u"W") << side.toStdString();
  // The sync target on the other side of the meridian from where the tube is.
  double ra = 0, dec = 0;
  targetAt(side == u"E" ? 300 : 60, 50, ra, dec);
  double sRa = ra, sDec = dec;
  ASSERT_TRUE(driver->cmdSync(sRa, sDec, QStringLiteral("EOD")));
  if (receivedMatching(QStringLiteral("^PT$")) == 0) {
    targetAt(side == u"E" ? 60 : 300, 50, ra, dec);
    sRa = ra;
    sDec = dec;
    driver->cmdStatus();
    ASSERT_TRUE(driver->cmdSync(sRa, sDec, QStringLiteral("EOD")));
    ASSERT_EQ(receivedMatching(QStringLiteral("^PT$")), 1);
  }
  for (int i = 0; i < 3; ++i) {
    driver->cmdStatus();
    EXPECT_EQ(m.TelStatus[10], QStringLiteral("2"));  // the controller's flag is shown
    EXPECT_NE(m.TelState, 2);
  }
  EXPECT_EQ(m.SlewEndPhase, 0);
  EXPECT_EQ(std::count(host.telSlewings.begin(), host.telSlewings.end(), 1), 0);
}

// A goto given up is said to be at once: the link's "NG" after a stop, and after a mount that
// stopped answering.
TEST_F(AbandonedLx200, AGotoGivenUpIsReportedAtOnce) {
  startSim({QStringLiteral("--slew-rate"), QStringLiteral("1")});
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  double ra = 0, dec = 0;
  targetAt(30, 40, ra, dec);
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  driver->cmdStop();
  EXPECT_EQ(host.linkNgs, 1);
  EXPECT_NE(m.TelState, 2);
  // A stop with no goto under way tells nobody anything.
  driver->cmdStop();
  EXPECT_EQ(host.linkNgs, 1);

  driver->cmdTrucking();
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  ASSERT_EQ(control("fault silent"), QByteArray("ok"));
  prompter.push(Answer::Ignore);
  driver->cmdStatus();
  EXPECT_EQ(host.linkNgs, 2);
  EXPECT_EQ(host.telSlewings.back(), 0);
  EXPECT_NE(m.TelState, 2);
  EXPECT_EQ(host.linkOks, 0);
  ASSERT_EQ(control("fault normal"), QByteArray("ok"));
}

}  // namespace
