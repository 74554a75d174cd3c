// The USB board driver against a recording board: the connection sequence, the home memory,
// relay patterns, the weather decoding and the failures that end the program.
#include "FakeBoard.h"
#include "FrmOrvanOS.h"
#include "IniFile.h"
#include "ProgramEnd.h"
#include "Prompter.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvan;
using orvan::test::FakeBoard;

namespace {

class FrmOrvanOSTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousHook = SetEndProgramHook([this] { ++ended; });
    ini = dir.path() + "/OrvanMirel.ini";
    s.domeSettings.UpDown = true;
    s.mount.AxisRev[2] = 3600;
  }
  void TearDown() override { SetEndProgramHook(previousHook); }

  QTemporaryDir dir;
  QString ini;
  SharedState s;
  FakeBoard board;
  ScriptedPrompter prompter;
  ScopedPrompter scoped{prompter};
  int ended = 0;
  std::function<void()> previousHook;
  FrmOrvanOS os{s, board, QString()};
};

TEST_F(FrmOrvanOSTest, ConnectSetsUpTheBoardAndResetsAPoweredUpCounter) {
  board.counter = 555;
  board.written = {0xff, 0xff, 0};  // relays left on by an earlier program
  ASSERT_EQ(os.DomeConnect(kTrue), kTrue);
  // The board ends open, counting the dome's pulses upwards, with the relay ports (0 and 1)
  // as outputs, all relays off, and the switch port (2) as input.
  EXPECT_TRUE(board.open);
  EXPECT_EQ(board.counterMode, 1);
  EXPECT_EQ(board.counterDirection, 0);
  EXPECT_EQ(board.counterControl, 1);
  EXPECT_EQ(board.direction, (std::array<uint8_t, 3>{1, 1, 0}));
  EXPECT_EQ(board.written[0], 0);
  EXPECT_EQ(board.written[1], 0);
  // A counter that powered up without the home held is zeroed, once.
  EXPECT_EQ(board.calls.count("ResetCounter"), 1);
  EXPECT_EQ(board.counter, 0);
  EXPECT_EQ(s.dome.DomeZFlag, kFalse);
  EXPECT_EQ(s.dome.DomeZMemory, 0);
  EXPECT_EQ(os.OutputState, QString(24, u'0'));
}

TEST_F(FrmOrvanOSTest, ConnectKeepsTheCountWhenTheBoardHeldTheHomeButReportsItUnknown) {
  board.direction = {1, 1, 1};
  board.counter = 555;
  ASSERT_EQ(os.DomeConnect(kTrue), kTrue);
  EXPECT_FALSE(board.calls.contains("ResetCounter"));
  EXPECT_EQ(board.counter, 555);
  EXPECT_EQ(s.dome.DomeZFlag, kFalse);
  EXPECT_EQ(s.dome.DomeZMemory, 0);
}

TEST_F(FrmOrvanOSTest, NoBoardFoundTellsTheObserverSetsUpLayoutTwoAndEnds) {
  FrmOrvanOS withIni(s, board, ini);
  board.devices = 0;
  EXPECT_EQ(withIni.DomeConnect(kTrue), kFalse);
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].title, QStringLiteral("ドームコントローラ接続エラー"));
  EXPECT_EQ(prompter.asked()[0].text,
            QStringLiteral("ドームコントローラが見つかりません\nUSBケーブルの接続を確認して下さい"));
  EXPECT_EQ(prompter.asked()[0].icon, Icon::Critical);
  EXPECT_EQ(ReadIni(ini, "PUBLIC", "FormSizeChange"), "2");
  EXPECT_TRUE(board.calls.contains("Close(0)"));
  EXPECT_EQ(ended, 1);
}

TEST_F(FrmOrvanOSTest, LibraryFailuresNameTheFunctionCloseTheBoardAndEnd) {
  struct Case {
    const char* failing;
    std::function<void(FrmOrvanOS&)> call;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"GetNumberOfDevices", [](FrmOrvanOS& d) { d.DomeConnect(kTrue); }, "EPX30SC_GetNumberOfDevices() Error"},
      {"Open", [](FrmOrvanOS& d) { d.DomeConnect(kTrue); }, "EPX30SC_Open() Error"},
      {"GetCounterValue", [](FrmOrvanOS& d) { d.DomeGetEnc(); }, "EPX30SC_GetCounterValue() Error"},
      {"GetPortDirection", [](FrmOrvanOS& d) { d.DomeGetZFlag(); }, "EPX30SC_GetPortDirection() Error"},
      {"SetPortDirection", [](FrmOrvanOS& d) { d.DomeSetZflag(kTrue); }, "EPX30SC_SetPortDirection() Error"},
      {"GetCounterLatchFlag", [](FrmOrvanOS& d) { d.DomeZsearch(kTrue); }, "EPX30SC_GetCounterLatchFlag() Error"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.failing);
    FakeBoard b;
    FrmOrvanOS d(s, b, QString());
    if (QString(c.failing) != "GetNumberOfDevices" && QString(c.failing) != "Open") d.DomeConnect(kTrue);
    b.failing[c.failing] = 9;
    b.calls.clear();
    prompter.clear();
    ended = 0;
    c.call(d);
    ASSERT_EQ(prompter.asked().size(), 1u);
    EXPECT_EQ(prompter.asked()[0].text, QString(c.message));
    EXPECT_TRUE(prompter.asked()[0].title.isEmpty());
    EXPECT_EQ(ended, 1);
    // The board is closed before the message when it had been opened.
    EXPECT_EQ(b.calls.contains("Close(77)"), QString(c.failing) != "GetNumberOfDevices" && QString(c.failing) != "Open");
  }
}

TEST_F(FrmOrvanOSTest, EncoderCountIsTakenFromTheLatchAndSignCorrected) {
  os.DomeConnect(kTrue);
  board.counter = 1500;
  s.dome.DomeLatch = 1000;
  EXPECT_EQ(os.DomeGetEnc(), 500);
  EXPECT_EQ(s.mount.AxisDisp[2], 500);
  s.domeSettings.UpDown = false;
  EXPECT_EQ(os.DomeGetEnc(), -500);
  // DomeGetAngle: -500 + 100 of 3600 counts a turn = -400 counts = -40 degrees.
  s.mount.AxisOfs[2] = 100;
  EXPECT_FLOAT_EQ(os.DomeGetAngle(), 320.0f);
}

TEST_F(FrmOrvanOSTest, HomeSearchTakesOnlyALatchSeenAfterItStarted) {
  os.DomeConnect(kTrue);
  board.latchFlag = 1;  // an old latch from before the search
  board.latchValue = 42;
  os.DomeZsearch(kTrue);
  EXPECT_EQ(s.dome.DomeZSearching, kTrue);
  EXPECT_EQ(board.latchFlag, 0);
  EXPECT_EQ(os.DomeGetZFlag(), kFalse);
  EXPECT_EQ(s.dome.DomeLatch, 0);

  board.latchFlag = 1;  // the index mark passes
  board.latchValue = 1234;
  EXPECT_EQ(os.DomeGetZFlag(), kTrue);
  EXPECT_EQ(s.dome.DomeLatch, 1234);
  EXPECT_EQ(s.dome.DomeZSearching, kFalse);
  EXPECT_EQ(board.direction[2], 1);  // the board now remembers the home
  board.counter = 1234;
  EXPECT_EQ(os.DomeGetEnc(), 0);  // the Z mark is count 0 from now on
  EXPECT_EQ(os.DomeGetZFlag(), kTrue);
}

TEST_F(FrmOrvanOSTest, RelayPatternsTouchOnlyTheAddressedOutputs) {
  os.DomeConnect(kTrue);
  os.SetRelay("1*0*****" "*1******");  // outputs 1 on, 3 off, 10 on
  EXPECT_EQ(board.written[0], 0x01);
  EXPECT_EQ(board.written[1], 0x02);
  os.SetRelay("00100001");  // 8 characters: port 0 only, port 1 rewritten unchanged
  EXPECT_EQ(board.written[0], 0x84);
  EXPECT_EQ(board.written[1], 0x02);
  board.calls.clear();
  os.SetRelay("****************");  // 16 asterisks write the same values again
  EXPECT_EQ(board.calls, QStringList({"OutputPort(0,132)", "OutputPort(1,2)"}));
  // Characters past 16 belong to the serial controller and change nothing here.
  os.SetRelay(QString(16, u'*') + QString(16, u'1'));
  EXPECT_EQ(board.written[1], 0x02);
  EXPECT_EQ(os.OutputState, "001000010100000000000000");
}

TEST_F(FrmOrvanOSTest, RotationAndSlitUseTheirRelayEntries) {
  os.DomeConnect(kTrue);
  s.dome.RelayTable[21] = "10";
  s.dome.RelayTable[22] = "11";
  s.dome.RelayTable[23] = "00";
  s.dome.RelayTable[24] = "**1";
  s.dome.RelayTable[25] = "***1";
  s.dome.RelayTable[26] = "**00";
  os.DomeRotation(1);
  EXPECT_EQ(board.written[0], 0x03);
  os.DomeRotation(5);  // no such direction: nothing is sent
  EXPECT_EQ(board.written[0], 0x03);
  os.DomeRotation(0);
  os.DomeSlit(-1);
  EXPECT_EQ(board.written[0], 0x08);
  os.DomeSlit(0);
  EXPECT_EQ(board.written[0], 0x00);
}

TEST_F(FrmOrvanOSTest, PowerFailureIsBelievedOnTheTwentyFirstReadingRainAtOnce) {
  os.DomeConnect(kTrue);
  board.input2 = 243;
  for (int i = 1; i <= 20; ++i) ASSERT_EQ(os.GetSensor(), QString()) << i;
  EXPECT_EQ(os.GetSensor(), "10");
  EXPECT_EQ(os.GetSensor(), QString());  // the count starts again

  for (int i = 0; i < 10; ++i) os.GetSensor();
  board.input2 = 252;
  EXPECT_EQ(os.GetSensor(), "01");  // rain resets the power-failure count
  board.input2 = 240;
  for (int i = 1; i <= 20; ++i) ASSERT_EQ(os.GetSensor(), QString()) << i;
  EXPECT_EQ(os.GetSensor(), "11");

  board.input2 = 255;
  EXPECT_EQ(os.GetSensor(), "00");
  board.input2 = 254;  // only bit 0 low is no known pattern: unknown weather, never clear
  EXPECT_EQ(os.GetSensor(), "??");
  // Reading the sensors makes port 2 an input, which clears the home memory.
  EXPECT_EQ(board.direction[2], 0);
}

}  // namespace
