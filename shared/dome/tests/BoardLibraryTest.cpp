// The board library loaded at run time: the simulated board through it, a library that lacks
// a function or is not there at all, and the relays a killed program left on.
#include "BoardLibrary.h"
#include "FrmOrvanOS.h"
#include "IniFile.h"
#include "ProgramEnd.h"
#include "Prompter.h"
#include "SimulatedEpx30sc.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QThread>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvan;

namespace {

// The board's relay outputs as the simulated board remembers them in its folder.
uint16_t outputsIn(const QString& folder, const QString& ini) {
  SimulatedEpx30sc b(folder, SimulatedBoardConfig::fromSettings(ini));
  int32_t h = 0;
  if (b.EPX30SC_Open(h) != 0) return 0xFFFF;
  const uint16_t out = b.outputs();
  b.EPX30SC_Close(h);
  return out;
}

class BoardLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousHook = SetEndProgramHook([this] { ++ended; });
    ini = dir.filePath("OrvanMirel.ini");
    WriteIni(ini, "RELAY", "$021", "10");
    WriteIni(ini, "RELAY", "$022", "01");
    WriteIni(ini, "DOME", "ENC3_PULSES", "3600");
    s.mount.AxisRev[2] = 3600;
  }
  void TearDown() override { SetEndProgramHook(previousHook); }
  QString bin() const { return QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR")); }

  QTemporaryDir dir;
  QString ini;
  SharedState s;
  ScriptedPrompter prompter;
  ScopedPrompter scoped{prompter};
  int ended = 0;
  std::function<void()> previousHook;
};

}  // namespace

TEST_F(BoardLibraryTest, TheSimulatedBoardIsLoadedLikeARealOneAndTurnsTheDome) {
  // Not in the program folder: the one beside the program is found.
  EXPECT_EQ(BoardLibraryPath(dir.path(), ini), bin() + "/boards/libepx30sc-sim.so");
  auto board = OpenBoardLibrary(dir.path(), ini);
  EXPECT_TRUE(board->missingFunction().isEmpty()) << static_cast<LoadedEpx30sc&>(*board).problem().toStdString();
  EXPECT_TRUE(board->isSimulated());
  FrmOrvanOS os(s, *board, ini);
  ASSERT_EQ(os.DomeConnect(kTrue), kTrue);
  EXPECT_EQ(ended, 0);
  // Relay 1 on: the dome turns and the counter follows.
  int32_t h = os.BoardHandle, before = 0, after = 0;
  board->EPX30SC_GetCounterValue(h, before);
  board->EPX30SC_OutputPort(h, 0, 1);
  QThread::msleep(300);
  board->EPX30SC_GetCounterValue(h, after);
  EXPECT_NE(after, before);
  board->EPX30SC_OutputPort(h, 0, 0);
  os.DomeConnect(kFalse);
  // The state went to the folder, as the board's memory.
  EXPECT_TRUE(QFile::exists(dir.filePath("EPX30SC.status")));
}

TEST_F(BoardLibraryTest, AnIncompleteOrMissingLibraryEndsTheRunNamingWhatIsMissing) {
  WriteIni(ini, "DOME", "BoardLibrary", bin() + "/libepx30sc-incomplete.so");
  auto board = OpenBoardLibrary(dir.path(), ini);
  EXPECT_EQ(board->missingFunction(), "EPX30SC_GetCounterLatchFlag");
  FrmOrvanOS os(s, *board, ini);
  EXPECT_EQ(os.DomeConnect(kTrue), kFalse);
  EXPECT_EQ(ended, 1);
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].text, "EPX30SC_GetCounterLatchFlag() Error");
  // Nothing reached the library: a half library switches no relay.
  QLibrary lib(bin() + "/libepx30sc-incomplete.so");
  ASSERT_TRUE(lib.load());
  EXPECT_EQ(reinterpret_cast<int (*)()>(lib.resolve("Incomplete_Calls"))(), 0);
  SwitchBoardOutputsOff(*board);
  EXPECT_EQ(reinterpret_cast<int (*)()>(lib.resolve("Incomplete_Calls"))(), 0);

  WriteIni(ini, "DOME", "BoardLibrary", "no-such-board.so");
  auto none = OpenBoardLibrary(dir.path(), ini);
  FrmOrvanOS os2(s, *none, ini);
  EXPECT_EQ(os2.DomeConnect(kTrue), kFalse);
  EXPECT_EQ(ended, 2);
  EXPECT_EQ(prompter.asked().back().text, "EPX30SC_GetNumberOfDevices() Error");
}

TEST_F(BoardLibraryTest, RelaysAKilledProgramLeftOnGoOff) {
  {
    // A program opens the board, starts the rotation and dies without a word.
    auto board = OpenBoardLibrary(dir.path(), ini);
    FrmOrvanOS os(s, *board, ini);
    ASSERT_EQ(os.DomeConnect(kTrue), kTrue);
    board->EPX30SC_OutputPort(os.BoardHandle, 0, 1);
  }
  // (The library keeps the board open until its Close: a dead program's board stays as it was.)
  QLibrary sim(bin() + "/boards/libepx30sc-sim.so");
  ASSERT_TRUE(sim.load());
  reinterpret_cast<int32_t (*)(int32_t)>(sim.resolve("EPX30SC_Close"))(SimulatedEpx30sc::kHandle);
  ASSERT_EQ(outputsIn(dir.path(), ini), 1);

  SwitchBoardOutputsOff(*OpenBoardLibrary(dir.path(), ini));
  EXPECT_EQ(outputsIn(dir.path(), ini), 0);
  EXPECT_TRUE(prompter.asked().empty());
}
