// Hand motion asked for over the link: who may start it, who may end it, and that a stop asked
// for late never cuts short what took the mount over meanwhile.
#include "FakeMountDriver.h"
#include "LinkHandMotion.h"
#include "LinkMessageCode.h"
#include "State.h"

#include <gtest/gtest.h>

using namespace orvan;

namespace {

class LinkHandMotionTest : public ::testing::Test {
 protected:
  MountState state;
  test::FakeMountDriver mount;
  MountDriver* bound = &mount;
  HandRates rates{{2.0, 0, 0.002}};  // no middle rate
  quint64 asker = 7;
  QStringList answers;
  LinkHandMotion hand{state, {[this] { return bound; }, [this] { return rates; }, [this] { return asker; },
                              [this](int16_t code, const QString& text) {
                                EXPECT_EQ(code, codeOf(LinkMessageCode::HandMoveAnswer));
                                answers << text;
                              }}};

  LinkHandMotionTest() { mount.handState = &state; }

  QString ask(const QString& text, quint64 from = 7) {
    asker = from;
    answers.clear();
    EXPECT_TRUE(hand.message(codeOf(LinkMessageCode::HandMove), text)) << text.toStdString();
    return answers.value(0);
  }
};

TEST_F(LinkHandMotionTest, AMotionBelongsToTheProgramThatStartedIt) {
  state.TelState = 1;
  EXPECT_EQ(ask("0,3"), "OK");
  EXPECT_EQ(mount.calls, QStringList{"cmdMove W 3"});  // east on the sky is the handset's "W"
  // Another program can neither take it over nor move the other axis; its going stops nothing.
  EXPECT_TRUE(ask("0,-3", 8).startsWith("NG,"));
  EXPECT_TRUE(ask("1,1").startsWith("NG,"));
  hand.clientGone(8);
  EXPECT_EQ(mount.calls.size(), 1);
  // The owner changes direction: the old move ends first.
  EXPECT_EQ(ask("0,-1"), "OK");
  EXPECT_EQ(mount.calls.mid(1), (QStringList{"cmdMove W 9", "cmdMove E 1"}));
  hand.clientGone(7);
  EXPECT_EQ(mount.calls.last(), "cmdMove E 9");
  EXPECT_EQ(state.TelState, 1);

  // Rates the family has not, a mount that is not there, and texts that are no request.
  EXPECT_TRUE(ask("1,2").startsWith("NG,"));
  bound = nullptr;
  EXPECT_TRUE(ask("1,1").startsWith("NG,"));
  for (const char* bad : {"", "0", "2,1", "0,4", "0, 1", "0,+1", "0,1,", "x,1"})
    EXPECT_FALSE(hand.message(codeOf(LinkMessageCode::HandMove), bad)) << bad;
  EXPECT_FALSE(hand.message(codeOf(LinkMessageCode::HandMoveAnswer), "0,1"));
  EXPECT_EQ(mount.calls.size(), 4);
}

TEST_F(LinkHandMotionTest, ALateStopLeavesWhatTookTheMountOverRunning) {
  state.TelState = 1;
  EXPECT_EQ(ask("1,3"), "OK");
  // A goto starts (the controller forgets the program's motion), and the program's stop and
  // its going come after it: the goto runs on, and the program cannot start over it.
  hand.forget();
  state.TelState = 2;
  EXPECT_EQ(ask("1,0"), "OK");
  hand.clientGone(7);
  EXPECT_EQ(mount.calls, QStringList{"cmdMove N 3"});
  EXPECT_TRUE(ask("1,3").startsWith("NG,"));

  // A family that does not mark hand motion in TelState (the E-Vexil) still owns its motion,
  // and its stop still reaches the mount.
  mount.handState = nullptr;
  state.TelState = 1;
  EXPECT_EQ(ask("0,1"), "OK");
  EXPECT_TRUE(ask("1,1").startsWith("NG,"));
  EXPECT_EQ(ask("0,0"), "OK");
  EXPECT_EQ(mount.calls.mid(1), (QStringList{"cmdMove W 1", "cmdMove W 9"}));
}

}  // namespace
