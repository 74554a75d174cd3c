// The simulated E-Vexil controller as a client sees it: the simulator program runs as a child
// process and the test writes raw bytes to its pseudo-terminal; the control socket gives the
// device state and switches the fault modes.
#include "SimOnPty.h"

namespace {

class SimulatedEVexil : public orvan::sim::test::SimOnPty {
 protected:
  SimulatedEVexil() : SimOnPty(5) {}
  // Speed 4 at 1 degree per second: 3600 counts a second with the default counts per turn.
  void startSim(const QStringList& extra = {}) { SimOnPty::startSim(QStringList{"evexil", "--slew-rate", "1"} + extra); }
  // One reply line with its carriage return, or what came before the line stayed quiet.
  QByteArray line(int quietMs = 5000) { return readTo('\r', quietMs); }
  QByteArray ask(const QByteArray& cmd) {
    send(cmd + '\r');
    return line();
  }
  QByteArray ctl(const QString& words) { return control(words); }
};

TEST_F(SimulatedEVexil, QueriesUtilityWritesAndMalformedCommands) {
  startSim({"--rev2", "648000"});
  const QByteArray rd = ask("RD");
  EXPECT_EQ(rd.mid(3, 8), "0013C680");
  EXPECT_EQ(rd.mid(12, 8), "0009E340");
  EXPECT_EQ(ask("GP"), "GP=00000000,00000000\r");
  EXPECT_EQ(ask("ST"), "STIF0IF0\r");
  EXPECT_EQ(ask("PA").size(), 9);
  EXPECT_TRUE(ask("VR").startsWith("VR="));

  // Parameter writes change what the queries report; new counts per turn restart the counters.
  send("DVDCF4#00000100\r");
  EXPECT_EQ(line(), "OK\r");
  ASSERT_TRUE(until([&] { return ask("ST") == "STIF0IF0\r"; }));
  for (const QByteArray w : {"RD#00100000#00080000", "PA#0A#02", "SL#01#03", "RD&01295611"}) EXPECT_EQ(ask(w), "OK\r") << w.constData();
  EXPECT_EQ(ask("RD"), "RD=00100000,00080000\r");
  EXPECT_EQ(ask("PA"), "PA=0A,02\r");
  EXPECT_EQ(ask("SL"), "SL=01,03\r");
  EXPECT_EQ(ask("GP"), "GP=00000000,00000000\r");
  EXPECT_EQ(state("freq"), "1295611");

  // Each malformed command gets exactly one "?" and moves nothing; one write holds them all.
  const QByteArrayList bad{"DVRAF4#0000100", "DVRAF4#0000100G", "DVDCR4#000001000", "DVRAF5", "DVRA4", "dvraf4",
                           "DVRAF2#00001000", "RD#00000000#00001000", "RD&1295611", "PA#A#02", "SP2", "GP ", "",
                           QByteArray(100, 'D')};
  send(bad.join('\r') + '\r');
  for (const QByteArray& b : bad) EXPECT_EQ(line(), "?\r") << b.constData();
  EXPECT_EQ(ask("ST"), "STIF0IF0\r");
  EXPECT_EQ(ask("RD"), "RD=00100000,00080000\r");
  EXPECT_EQ(state("unknown"), QByteArray::number(bad.size()));
  EXPECT_EQ(state("count2"), "0");
}

TEST_F(SimulatedEVexil, AnOlderFirmwareAndTheJumperJP5) {
  startSim({"--old-firmware", "--jp5"});
  for (const QByteArray q : {"SL", "VR", "SL#01#03"}) EXPECT_EQ(ask(q), "?\r") << q.constData();
  EXPECT_EQ(ask("RD&01295611"), "OK\r");
  EXPECT_EQ(state("freq"), "1296000");  // acknowledged, but the jumper keeps the value
}

TEST_F(SimulatedEVexil, RelativeMovesEndExactlyOnTheirCount) {
  startSim();
  EXPECT_EQ(ask("DVRAR4#00002000"), "OK\r");
  EXPECT_EQ(ask("ST"), "STPR4IF0\r");
  EXPECT_EQ(ask("DVDCF4#00001000"), "OK\r");
  EXPECT_EQ(ask("ST"), "STPR4PF4\r");
  ASSERT_TRUE(until([&] { return ask("ST") == "STIR0IF0\r"; }));
  EXPECT_EQ(ask("GP"), "GP=FFFFE000,00001000\r");  // reverse from 0 reads as two's complement
  EXPECT_EQ(state("count1"), "-8192");
  send("DVRAF4#00003000\rDVDCR4#00001000\r");
  EXPECT_EQ(line() + line(), "OK\rOK\r");
  ASSERT_TRUE(until([&] { return ask("ST") == "STIF0IR0\r"; }));
  EXPECT_EQ(ask("GP"), "GP=00001000,00000000\r");
  EXPECT_EQ(ask("DVDCF4#00000000"), "OK\r");
  EXPECT_EQ(ask("ST"), "STIF0IF0\r");
}

TEST_F(SimulatedEVexil, CountersWrapAt32Bits) {
  startSim({"--rev1", "4294967295", "--slew-rate", "360"});  // a full count range a second
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(ask("DVRAF4#FFFFFFFF"), "OK\r");
    ASSERT_TRUE(until([&] { return ask("ST").startsWith("STI"); }));
  }
  EXPECT_EQ(ask("GP"), "GP=FFFFFFFE,00000000\r");
}

TEST_F(SimulatedEVexil, RunsStopAndTrackingAdvancesTheHourAxis) {
  startSim();
  EXPECT_EQ(ask("DVDCR3"), "OK\r");
  EXPECT_EQ(ask("ST"), "STIF0BR3\r");
  ASSERT_TRUE(until([&] { return state("count2").toInt() < 0; }));
  EXPECT_EQ(ask("SP0"), "OK\r");
  const QByteArray held = ask("GP");
  QThread::msleep(400);
  EXPECT_EQ(ask("GP"), held);
  EXPECT_EQ(held.mid(3, 8), "00000000");

  // Tracking pauses while the hour axis positions and resumes after it: the counter ends
  // exactly n counts back plus what tracking added before and after.
  const int start = state("count1").toInt(), trackedBefore = state("tracked1").toInt();
  send("SP1\rDVRAR4#00002000\rDVDCF1\r");
  EXPECT_EQ(line() + line() + line(), "OK\rOK\rOK\r");
  EXPECT_EQ(ask("SP1"), "OK\r");  // stops the hand run on axis 2, not the move on axis 1
  EXPECT_EQ(ask("ST").left(5), "STPR4");
  ASSERT_TRUE(until([&] { return ask("ST") == "STIR0IF0\r"; }));
  const QByteArray axis2 = ask("GP").mid(12, 8);
  ASSERT_TRUE(until([&] { return state("tracked1").toInt() > trackedBefore + 2; }));
  EXPECT_EQ(ask("GP").mid(12, 8), axis2);  // tracking leaves the declination axis alone
  EXPECT_EQ(ask("SP0"), "OK\r");
  EXPECT_EQ(state("count1").toInt(), start - 0x2000 + state("tracked1").toInt() - trackedBefore);
  EXPECT_EQ(state("tracking"), "0");
}

TEST_F(SimulatedEVexil, FaultModesKeepTheLineEnding) {
  startSim({"--fault", "short"});
  EXPECT_EQ(ask("GP"), "GP=0000000\r");  // a status reply cut short, still a whole line
  ASSERT_EQ(ctl("fault garbage"), "ok");
  const QByteArray noise = ask("RD");
  EXPECT_TRUE(noise.size() == 21 && noise.endsWith('\r') && !noise.startsWith("RD")) << noise.constData();
  ASSERT_EQ(ctl("fault silent"), "ok");
  send("DVRAF4#00010000\r");  // acted on, but the reply is lost
  EXPECT_EQ(line(1000), "");
  ASSERT_EQ(ctl("fault normal"), "ok");
  EXPECT_EQ(ask("ST").left(3), "STP");
}

}  // namespace
