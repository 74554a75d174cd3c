// The serial dome driver against a scripted port: the count conversion at its edges, reply
// framing, the time-out question and what each answer leaves behind, a port of 0, counts that
// jump, and the preset's sign in the two programs. The bytes on a real line are checked
// against the simulated controller (sim/tests/QuarnSimTest.cpp).
#include "Clock.h"
#include "FakeSerialLink.h"
#include "FrmQuarn.h"
#include "IniFile.h"
#include "Prompter.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvan;

namespace {

class Quarn : public ::testing::Test {
 protected:
  Quarn() : clock(QDate(2026, 12, 7), 3600), scopedClock(clock), scoped(prompter) {
    ini = dir.path() + "/OrvanMirel.ini";
    s.domeSettings.CommPort = 5;
    s.domeSettings.UpDown = true;
    s.mount.AxisRev[2] = 3600;
    s.dome.RelayTable[22] = QStringLiteral("11").leftJustified(32, u' ');
    s.dome.RelayTable[23] = QStringLiteral("0*").leftJustified(32, u' ');
  }
  FrmQuarn& make(QuarnHost host = {}) {
    auto link = std::make_unique<FakeSerialLink>();
    fake = link.get();
    fake->attachClock(&clock);
    driver = std::make_unique<FrmQuarn>(s, ini, std::move(host), std::move(link));
    return *driver;
  }
  // The replies of a connection: the relay report, the stop, the report again (output 32 the
  // home memory).
  void queueConnect(bool homeKnown = false) {
    const QByteArray relays = homeKnown ? "$1300000001\r" : "$1300000000\r";
    fake->queueReply(relays);
    fake->queueReply("$12\r");  // the stop at connect
    fake->queueReply(relays);
  }
  static QByteArray count(int32_t c) { return "$11 800000 800000 " + FrmQuarn::D2B(c).toLatin1() + "\r"; }

  QTemporaryDir dir;
  QString ini;
  SharedState s;
  ManualClock clock;
  ScopedClock scopedClock;
  ScriptedPrompter prompter;
  ScopedPrompter scoped;
  FakeSerialLink* fake = nullptr;
  std::unique_ptr<FrmQuarn> driver;
};

// The edges of the wire form are read back through the simulator; here what is not a count.
TEST(QuarnCounts, OnlySixHexDigitsAtTheirPlaceAreACount) {
  EXPECT_EQ(FrmQuarn::D2B(8388608), "000000");  // beyond 24 bits only the last six digits travel
  int32_t c = 1;
  EXPECT_FALSE(FrmQuarn::ParseCount("$11 800000 800000 80 0", c));  // cut
  EXPECT_FALSE(FrmQuarn::ParseCount("$11 800000 800000 8?0000", c));  // garbled
  EXPECT_FALSE(FrmQuarn::ParseCount("$13 800000 800000 800000", c));  // another reply
  EXPECT_EQ(c, 1);
}

TEST_F(Quarn, RepliesAreUsedFromTheirFirstDollarAndCountsKeptWhenUnreadable) {
  FrmQuarn& q = make();
  fake->setResponder([](const QByteArray& w) -> QByteArray {
    if (w == "$13#\r") return "\x11noise$1380000001\r";
    return "$00\r";
  });
  ASSERT_EQ(q.DomeConnect(kTrue), kTrue);
  // Not all on: no "$00", but the rotation's stop pattern (the slit has none here).
  EXPECT_EQ(fake->writes, QByteArrayList({"$13#\r", "$12" + s.dome.RelayTable[23].toLatin1() + "#\r", "$13#\r"}));
  EXPECT_EQ(s.dome.DomeZMemory, 1);
  EXPECT_EQ(s.dome.DomeZFlag, kTrue);  // output 32 on: the controller kept the home
  EXPECT_EQ(q.GetRelay(), "1" + QString(30, u'0') + "1");

  fake->setResponder({});
  fake->queueReply("junk" + count(1234));
  EXPECT_EQ(q.DomeGetEnc(), 1234);
  fake->queueReply("$11 800000 80\r");  // cut
  fake->queueReply("$12\r");            // an answer to something else
  fake->queueReply("$11 800000 800000 80?000\r");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(q.DomeGetEnc(), 1234);
  EXPECT_EQ(s.mount.AxisDisp[2], 1234);
  // UpDown other than 1: the count is negated.
  s.domeSettings.UpDown = false;
  FrmQuarn& down = make();
  fake->setResponder([](const QByteArray&) { return QByteArray("$1300000000\r"); });
  ASSERT_EQ(down.DomeConnect(kTrue), kTrue);
  fake->setResponder({});
  fake->queueReply(count(1234));
  EXPECT_EQ(down.DomeGetEnc(), -1234);
  EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(Quarn, ACountHalfATurnAwayIsBelievedOnlyWhenTheNextConfirmsIt) {
  FrmQuarn& q = make();
  fake->queueReply("$130000 0000\r");  // a cut relay report says nothing
  fake->queueReply("$12\r");
  fake->queueReply("$1300000000\r");
  ASSERT_EQ(q.DomeConnect(kTrue), kTrue);
  EXPECT_EQ(s.dome.DomeZFlag, kFalse);
  EXPECT_FALSE(q.hasCount());  // nothing read yet: no alignment may be taken
  fake->queueReply(count(100));
  fake->queueReply(count(1900));  // half a turn on in one reading
  fake->queueReply(count(105));
  fake->queueReply(count(2000));
  fake->queueReply(count(2003));  // a real jump, confirmed
  EXPECT_EQ(q.DomeGetEnc(), 100);
  EXPECT_EQ(q.DomeGetEnc(), 100);
  EXPECT_EQ(q.DomeGetEnc(), 105);
  EXPECT_EQ(q.DomeGetEnc(), 105);
  EXPECT_EQ(q.DomeGetEnc(), 2003);
  // A preset starts the count afresh.
  fake->queueReply("$03\r");
  q.SetEnc(3, 0);
  EXPECT_FALSE(q.hasCount());
  fake->queueReply(count(0));
  EXPECT_EQ(q.DomeGetEnc(), 0);
}

TEST_F(Quarn, IgnoreStopsAddressingTheControllerButAStopStillGoesOut) {
  FrmQuarn& q = make();
  queueConnect();
  ASSERT_EQ(q.DomeConnect(kTrue), kTrue);
  fake->queueReply(count(777));
  q.DomeGetEnc();
  fake->queueReply("$12\r");
  q.DomeRotation(1);
  fake->writes.clear();
  prompter.push(Answer::Ignore);
  EXPECT_EQ(q.DomeGetEnc(), 777);  // silence: the last count stays
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].title, "タイムアウト");
  EXPECT_EQ(prompter.asked()[0].text, "Quarnからの応答がありません（受信）$11#");
  EXPECT_EQ(prompter.asked()[0].buttons, Buttons::AbortRetryIgnore);
  EXPECT_EQ(ReadIni(ini, "PUBLIC", "FormSizeChange"), "2");
  EXPECT_EQ(q.LastAnswer, 5);
  // The dome was turning: the stop went out as soon as the controller was given up.
  ASSERT_EQ(fake->writes.size(), 2);
  EXPECT_EQ(fake->writes[1], "$12" + s.dome.RelayTable[23].toLatin1() + "#\r");
  fake->writes.clear();
  EXPECT_EQ(q.DomeGetEnc(), 777);
  q.DomeRotation(1);
  EXPECT_TRUE(fake->writes.isEmpty());
  q.DomeRotation(0);
  EXPECT_EQ(fake->writes.size(), 1);
  EXPECT_EQ(prompter.asked().size(), 1u);
}

TEST_F(Quarn, RetryWaitsOnAndAbortEndsTheControllerOnceTheExchangeReturned) {
  int aborts = 0;
  FrmQuarn& q = make(QuarnHost{true, [&] {
                                 EXPECT_FALSE(fake->writes.isEmpty());
                                 ++aborts;
                               }});
  queueConnect();
  ASSERT_EQ(q.DomeConnect(kTrue), kTrue);
  fake->writes.clear();
  fake->queueReply(count(42), 7000);  // late, but within the Retry
  prompter.push(Answer::Retry);
  EXPECT_EQ(q.DomeGetEnc(), 42);
  // The question is asked with the motors stopped; the command is not sent again.
  EXPECT_EQ(fake->writes, QByteArrayList({"$11#\r", "$12" + s.dome.RelayTable[23].toLatin1() + "#\r"}));
  EXPECT_EQ(q.LastAnswer, 4);
  prompter.push(Answer::Abort);
  q.DomeGetEnc();
  EXPECT_EQ(aborts, 1);
  EXPECT_EQ(q.LastAnswer, 3);
  q.DomeGetEnc();
  EXPECT_EQ(aborts, 1);
  EXPECT_EQ(prompter.asked().size(), 2u);
}

// The stop written before the question is answered while the exchange still waits for its
// own reply: that "$12" is not the relay report, which would have read as the home lost.
TEST_F(Quarn, TheStopsReplyBeforeTheQuestionIsNotTakenForTheAnswer) {
  FrmQuarn& q = make();
  queueConnect(true);
  ASSERT_EQ(q.DomeConnect(kTrue), kTrue);
  ASSERT_EQ(s.dome.DomeZFlag, kTrue);
  fake->writes.clear();
  fake->queueReply("$1300000001\r", 7000);  // the relay report, late
  fake->queueReply("$12\r", 100);           // the stop written at the time-out, answered at once
  prompter.push(Answer::Retry);
  EXPECT_EQ(q.GetRelay(), QString(31, u'0') + "1");
  EXPECT_EQ(fake->writes.value(1), "$12" + s.dome.RelayTable[23].toLatin1() + "#\r");
}

TEST_F(Quarn, PortZeroSendsNothingAndConnects) {
  s.domeSettings.CommPort = 0;
  FrmQuarn& q = make();
  s.mount.AxisDisp[2] = 55;
  s.dome.DomeZFlag = kFalse;
  EXPECT_EQ(q.DomeConnect(kTrue), kTrue);
  EXPECT_FALSE(q.hasPort());
  EXPECT_EQ(q.DomeGetEnc(), 55);
  q.DomeRotation(1);
  q.DomeSetZflag(kTrue);
  q.DomeZsearch(kTrue);
  EXPECT_EQ(q.GetRelay(), QString());
  EXPECT_EQ(q.GetSensor(), QString());
  EXPECT_EQ(q.DomeConnect(kFalse), kTrue);
  EXPECT_EQ(fake->opens, 0);
  EXPECT_TRUE(fake->writes.isEmpty());
  EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(Quarn, APortThatWillNotOpenIsNamed) {
  FrmQuarn& q = make();
  fake->failOpens(1, comm::kErrPortInvalid);
  EXPECT_EQ(q.DomeConnect(kTrue), kFalse);
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].title, "COMポートオープンエラー( 8002)");
  EXPECT_EQ(prompter.asked()[0].text, "Quarn側のCOMポートがOPENできません");
  EXPECT_EQ(ReadIni(ini, "PUBLIC", "FormSizeChange"), "2");
}

TEST_F(Quarn, ThePresetIsNegatedForNegativePulsesInTheControllerOnly) {
  s.mount.AxisRev[2] = -3600;
  for (bool controller : {true, false}) {
    FrmQuarn& q = make(QuarnHost{controller, {}});
    queueConnect();
    ASSERT_EQ(q.DomeConnect(kTrue), kTrue);
    fake->setResponder([](const QByteArray& w) { return w.left(3) + "\r"; });
    fake->writes.clear();
    q.DomeZsearch(kTrue);
    EXPECT_EQ(fake->writes.value(0), controller ? "$03400000\r" : "$03C00000\r");
    EXPECT_EQ(fake->writes.mid(1), QByteArrayList({"$07800000#\r", "$090010#\r", "$12" + QByteArray(31, '*') + "0#\r"}));
  }
}

}  // namespace
