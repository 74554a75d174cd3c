// The simulated board and dome: wiring learnt from the relay patterns, motion with run-on, the
// encoder and its index mark, the memory that survives a program restart, the weather input.
#include "FrmOrvanOS.h"
#include "ProgramEnd.h"
#include "SimulatedEpx30sc.h"

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <utility>
#include <gtest/gtest.h>

using namespace orvan;

namespace {

QHash<QString, QString> readStatus(const QString& folder) {
  QHash<QString, QString> kv;
  QFile f(folder + "/EPX30SC.status");
  if (!f.open(QIODevice::ReadOnly)) return kv;
  for (const QByteArray& line : f.readAll().split('\n')) {
    const int eq = line.indexOf('=');
    if (eq > 0) kv.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
  }
  return kv;
}

class SimulatedBoardTest : public ::testing::Test {
 protected:
  SimulatedBoardTest() {
    // Output 1 is the rotation motor's power, output 2 its direction; outputs 3 and 4 the slit.
    config.relayPatterns = {"10", "11", "0*", "**10", "**01", "**00"};
    config.pulsesPerTurn = 3600;
    config.countsUp = true;
    config.dome.slitSeconds = 20;
    config.dome.indexAzimuth = 200;
  }
  std::unique_ptr<SimulatedEpx30sc> makeBoard() {
    return std::make_unique<SimulatedEpx30sc>(dir.path(), config, [this] { return now; });
  }
  int32_t open(SimulatedEpx30sc& b) {
    int32_t h = 0;
    EXPECT_EQ(b.EPX30SC_Open(h), 0);
    b.EPX30SC_SetPortDirection(h, 0, 1);
    b.EPX30SC_SetPortDirection(h, 1, 1);
    b.EPX30SC_SetCounterControl(h, 1);
    return h;
  }
  int32_t count(SimulatedEpx30sc& b, int32_t h) {
    int32_t v = 0;
    b.EPX30SC_GetCounterValue(h, v);
    return v;
  }

  QTemporaryDir dir;
  SimulatedBoardConfig config;
  double now = 1000;
};

TEST_F(SimulatedBoardTest, RelaysLearntFromThePatternsTurnTheDomeAndItCoastsAfterTheStop) {
  auto b = makeBoard();
  const int32_t h = open(*b);
  b->setDomeAzimuth(10);
  b->EPX30SC_OutputPort(h, 0, 0x03);  // pattern 22: towards increasing azimuth
  now += 10;
  b->advanceNow();
  const double running = b->dome().azimuth;
  EXPECT_GT(running, 10 + 20);  // about 3 degrees a second once up to speed
  EXPECT_LT(running, 10 + 31);
  b->EPX30SC_OutputPort(h, 0, 0x00);  // pattern 23
  now += 5;
  b->advanceNow();
  EXPECT_GT(b->dome().azimuth, running + 0.2);  // run-on
  EXPECT_LT(b->dome().azimuth, running + 3);
  EXPECT_EQ(b->dome().speed, 0);
  const double stopped = b->dome().azimuth;
  b->EPX30SC_OutputPort(h, 0, 0x01);  // pattern 21: towards decreasing azimuth
  now += 5;
  b->advanceNow();
  EXPECT_LT(b->dome().azimuth, stopped);
}

// A dome asked to turn three times as fast (the tests' and rehearsals' ORVAN_SIM_DOME_RATE)
// runs at that rate and coasts as far as the usual one: 3 deg/s against 4 deg/s² stops in
// 0.75 s over 3²/(2·4) = 1.125 degrees; 9 deg/s stops in 0.25 s over the same 1.125 degrees.
TEST(SimulatedDomeRate, AFasterMotorKeepsTheRunOnInDegreesAndRefusesNonsense) {
  const SimulatedDomeParameters usual;
  for (const auto& [rate, stopSeconds] : {std::pair{3.0, 0.75}, std::pair{9.0, 0.25}}) {
    SimulatedDome d(usual.atRate(rate));
    double encoder = 0;
    d.azimuth = 10;
    d.advance(5, 1, 0, true, encoder, {});
    EXPECT_DOUBLE_EQ(d.speed, rate);
    const double before = d.azimuth;
    d.advance(stopSeconds - 0.02, 0, 0, true, encoder, {});
    EXPECT_GT(d.speed, 0) << rate;  // still coasting just before its stop time
    d.advance(0.04, 0, 0, true, encoder, {});
    EXPECT_EQ(d.speed, 0) << rate;
    EXPECT_NEAR(d.azimuth - before, 1.125, 1e-6) << rate;
  }
  for (const double bad : {0.0, -3.0, std::nan(""), HUGE_VAL}) {
    const SimulatedDomeParameters p = usual.atRate(bad);
    EXPECT_EQ(p.maxSpeed, usual.maxSpeed) << bad;
    EXPECT_EQ(p.acceleration, usual.acceleration) << bad;
  }
}

TEST_F(SimulatedBoardTest, BothDirectionsAtOnceOrNoPatternsLeaveTheMotorStill) {
  config.relayPatterns = {"1*", "*1", "00", "", "", ""};
  auto b = makeBoard();
  const int32_t h = open(*b);
  b->setDomeAzimuth(10);
  b->EPX30SC_OutputPort(h, 0, 0x03);
  now += 10;
  b->advanceNow();
  EXPECT_DOUBLE_EQ(b->dome().azimuth, 10);
  // Blank slit patterns: no output opens the slit.
  b->EPX30SC_OutputPort(h, 0, 0xFF);
  now += 30;
  b->advanceNow();
  EXPECT_DOUBLE_EQ(b->dome().slit, 0);
}

TEST_F(SimulatedBoardTest, TheCounterCountsPulsesPerTurnAndLatchesAtTheIndexOnceATurn) {
  config.dome.maxSpeed = 6;
  auto b = makeBoard();
  const int32_t h = open(*b);
  b->setDomeAzimuth(100);
  int32_t flag = 0, latched = 0;
  b->EPX30SC_GetCounterLatchFlag(h, flag);
  EXPECT_EQ(flag, 0);
  b->EPX30SC_OutputPort(h, 0, 0x03);
  // Run well past the index at 200 degrees, then stop and let it settle.
  now += 30;
  b->EPX30SC_OutputPort(h, 0, 0x00);
  now += 5;
  b->advanceNow();
  const double travelled = b->dome().azimuth + 360 * 0 - 100;  // less than a turn
  ASSERT_GT(travelled, 100);
  ASSERT_LT(travelled, 260);
  // 3600 counts a turn: ten counts a degree.
  EXPECT_NEAR(count(*b, h), travelled * 10, 1.0);
  b->EPX30SC_GetCounterLatchFlag(h, flag);
  EXPECT_EQ(flag, 1);
  b->EPX30SC_GetCounterLatchValue(h, latched);
  EXPECT_NEAR(latched, (200 - 100) * 10, 1.0);
  b->EPX30SC_GetCounterLatchFlag(h, flag);
  EXPECT_EQ(flag, 0);  // reading the value cleared it
}

TEST_F(SimulatedBoardTest, AnEncoderThatCountsDownFollowsUpDown) {
  config.countsUp = false;
  auto b = makeBoard();
  const int32_t h = open(*b);
  b->EPX30SC_OutputPort(h, 0, 0x03);
  now += 10;
  b->EPX30SC_OutputPort(h, 0, 0x00);
  now += 5;
  EXPECT_LT(count(*b, h), -100);
}

TEST_F(SimulatedBoardTest, SlitTakesItsTimerToOpen) {
  auto b = makeBoard();
  const int32_t h = open(*b);
  b->EPX30SC_OutputPort(h, 0, 0x04);  // pattern 24
  now += 10;
  b->advanceNow();
  EXPECT_NEAR(b->dome().slit, 0.5, 0.01);
  now += 15;
  b->advanceNow();
  EXPECT_DOUBLE_EQ(b->dome().slit, 1.0);
  EXPECT_EQ(readStatus(dir.path()).value("slitMotor"), "opening");
  b->EPX30SC_OutputPort(h, 0, 0x08);  // pattern 25
  now += 5;
  b->advanceNow();
  EXPECT_NEAR(b->dome().slit, 0.75, 0.01);
}

TEST_F(SimulatedBoardTest, MemorySurvivesARestartUntilThePowerIsCut) {
  {
    auto b = makeBoard();
    const int32_t h = open(*b);
    b->setDomeAzimuth(40);
    b->EPX30SC_SetPortDirection(h, 2, 1);  // the home memory
    b->EPX30SC_OutputPort(h, 0, 0x03);
    now += 10;
    b->EPX30SC_OutputPort(h, 0, 0x00);
    now += 5;
    b->advanceNow();
    b->EPX30SC_Close(h);
  }
  const auto status = readStatus(dir.path());
  const double azimuth = status.value("azimuth").toDouble();
  const int32_t counted = status.value("counter").toInt();
  EXPECT_GT(counted, 200);
  EXPECT_EQ(status.value("open"), "0");
  {
    auto b = makeBoard();  // the program starts again; the board kept its power
    int32_t h = 0;
    ASSERT_EQ(b->EPX30SC_Open(h), 0);
    uint8_t d = 0;
    b->EPX30SC_GetPortDirection(h, 2, d);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(count(*b, h), counted);
    EXPECT_NEAR(b->dome().azimuth, azimuth, 0.001);
    b->EPX30SC_Close(h);
  }
  QFile::remove(dir.path() + "/EPX30SC.state");  // power cycle
  {
    auto b = makeBoard();
    int32_t h = 0;
    ASSERT_EQ(b->EPX30SC_Open(h), 0);
    uint8_t d = 9;
    b->EPX30SC_GetPortDirection(h, 2, d);
    EXPECT_EQ(d, 0);
    EXPECT_EQ(count(*b, h), 0);
    EXPECT_NEAR(b->dome().azimuth, azimuth, 0.001);  // the dome itself did not move
  }
}

TEST_F(SimulatedBoardTest, OnlyOneProgramHoldsTheBoard) {
  auto a = makeBoard();
  auto b = makeBoard();
  int32_t h = 0;
  ASSERT_EQ(a->EPX30SC_Open(h), 0);
  EXPECT_NE(b->EPX30SC_Open(h), 0);
  a->EPX30SC_Close(SimulatedEpx30sc::kHandle);
  EXPECT_EQ(b->EPX30SC_Open(h), 0);
}

TEST_F(SimulatedBoardTest, WeatherByteComesFromAFileAnyoneCanWrite) {
  auto b = makeBoard();
  const int32_t h = open(*b);
  uint8_t v = 0;
  b->EPX30SC_InputPort(h, 2, v);
  EXPECT_EQ(v, 255);
  QFile f(dir.path() + "/EPX30SC.weather");
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("252\n");
  f.close();
  b->EPX30SC_InputPort(h, 2, v);
  EXPECT_EQ(v, 252);
  b->setWeatherByte(243);
  b->EPX30SC_InputPort(h, 2, v);
  EXPECT_EQ(v, 243);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("rain");  // not a number: no alarm rather than a made-up one
  f.close();
  b->EPX30SC_InputPort(h, 2, v);
  EXPECT_EQ(v, 255);
}

TEST_F(SimulatedBoardTest, ABoardAtRestShowsOutsideChangesAtItsTenSecondLook) {
  // At rest the files are not formatted again on every tick; what changes outside the board
  // (the weather file, a status file someone deleted) shows within ten seconds.
  auto b = makeBoard();
  open(*b);
  b->advanceNow();
  const QString status = dir.path() + "/EPX30SC.status";
  ASSERT_EQ(readStatus(dir.path()).value("weather"), "255");
  const auto weather = [&](const char* text) {
    QFile f(dir.path() + "/EPX30SC.weather");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  };
  now += 11;
  b->advanceNow();  // the first look: nothing changed
  weather("250\n");
  QFile::remove(status);
  now += 5;
  b->advanceNow();
  EXPECT_FALSE(QFile::exists(status));
  now += 6;
  b->advanceNow();
  EXPECT_EQ(readStatus(dir.path()).value("weather"), "250");
  weather("240\n");
  now += 11;
  b->advanceNow();
  EXPECT_EQ(readStatus(dir.path()).value("weather"), "240");
  EXPECT_EQ(readStatus(dir.path()).value("rotation"), "stopped");
}

TEST_F(SimulatedBoardTest, TheDriverFindsTheHomeOnTheSimulatedDome) {
  auto b = makeBoard();
  SharedState s;
  s.domeSettings.UpDown = true;
  s.mount.AxisRev[2] = 3600;
  s.dome.RelayTable[21] = "10";
  s.dome.RelayTable[22] = "11";
  s.dome.RelayTable[23] = "0*";
  FrmOrvanOS os(s, *b, QString());
  b->setDomeAzimuth(150);
  ASSERT_EQ(os.DomeConnect(kTrue), kTrue);
  EXPECT_EQ(os.simulationNotice().isEmpty(), false);
  os.DomeRotation(1);
  os.DomeZsearch(kTrue);
  bool found = false;
  for (int i = 0; i < 300 && !found; ++i) {
    now += 0.2;
    found = os.DomeGetZFlag() == kTrue;
  }
  ASSERT_TRUE(found);
  os.DomeRotation(0);
  now += 5;
  // The index is at 200 degrees true azimuth; the count is now measured from it.
  const int32_t e = os.DomeGetEnc();
  const double past = b->dome().azimuth - 200;
  EXPECT_NEAR(e, past * 10, 1.0);
}

}  // namespace
