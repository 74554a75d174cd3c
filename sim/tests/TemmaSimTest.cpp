// The simulated Temma controllers as a client sees them: the simulator program runs as a child
// process and the test writes raw bytes to its pseudo-terminal (ports/COM<n>); the control
// socket gives the device state and switches the fault modes.
#include "SimOnPty.h"

#include <QRegularExpression>

namespace {

const QRegularExpression kPosition(QStringLiteral("^E\\d{6}[+-]\\d{5}[EWF]\\r\\n$"));

class SimulatedTemma : public orvan::sim::test::SimOnPty {
 protected:
  SimulatedTemma() : SimOnPty(5) {}
  void startSim(const QString& model, const QStringList& extra = {}) {
    SimOnPty::startSim(QStringList{model, "--slew-rate", "20", "--settle", "0.2"} + extra);
    // Tokyo, with the sidereal time set so that RA 12:34:56 stands high in the south.
    send("I+35400\r\nT120000\r\n");
  }
  // Reads one reply line (up to its LF), or what came before the line stayed quiet for 5 s.
  QByteArray line() { return readTo('\n'); }
  QByteArray ask(const QByteArray& cmd) {
    send(cmd);
    return line();
  }
};

TEST_F(SimulatedTemma, GotoReportsSlewingThenFinishedUntilTheNextMove) {
  startSim(QStringLiteral("temma2"));
  // Unreadable gotos and a target below the horizon are refused without an answer: the next
  // reply is the one to "s".
  send("P2534930+0000\r\nP1234-10006\r\nP003000-80000\r\n");
  EXPECT_EQ(ask("s\r\n"), "s0\r\n");
  EXPECT_EQ(state("rejected"), "3");

  send("P123493-10006\r\n");
  EXPECT_EQ(ask("s\r"), "s1\r\n");  // a lone CR ends a command too
  const QByteArray during = ask("E\r\n");
  EXPECT_TRUE(kPosition.match(QString::fromLatin1(during)).hasMatch()) << during.constData();
  EXPECT_FALSE(during.startsWith("E123493-10006"));
  ASSERT_TRUE(until([&] { return ask("s\r\n") == "s0\r\n"; }));
  EXPECT_EQ(ask("E\r\n"), "E123493-10006F\r\n");
  QThread::msleep(1200);  // tracking holds the position, and "F" stays
  EXPECT_EQ(ask("E\r\n"), "E123493-10006F\r\n");

  send("MB\r\n");  // a slow hand move east: the side letter comes back, the RA grows
  QThread::msleep(300);
  send("M@\r\n");
  const QByteArray moved = ask("E\r\n");
  EXPECT_TRUE(moved > "E123493" && moved.endsWith("-10006E\r\n")) << moved.constData();
}

TEST_F(SimulatedTemma, AnOlderModelWithoutPositionSyncsAndChangesPierSide) {
  startSim(QStringLiteral("temmapc"), {QStringLiteral("--no-position")});
  EXPECT_EQ(ask("E\r\n"), "E000000+00000E\r\n");
  send("P123493+10000\r\n");  // without a position a goto goes nowhere
  EXPECT_EQ(state("slewing"), "0");
  EXPECT_EQ(ask("D1234+100000\r\n"), "R1\r\n");

  EXPECT_EQ(ask("D023000 00000\r\n"), "R0\r\n");  // declination 0 is sent with a blank sign
  EXPECT_EQ(ask("E\r\n"), "E023000+00000E\r\n");
  send("PT\r\n");
  EXPECT_EQ(ask("E\r\n"), "E023000+00000W\r\n");
  send("T183000\r\nZ\r\n");  // the zenith: RA the sidereal time, Dec the latitude
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^E1830\\d\\d\\+35400W\\r\\n$"))
                  .match(QString::fromLatin1(ask("E\r\n")))
                  .hasMatch());
  send("PT\r\n");
  EXPECT_TRUE(ask("E\r\n").endsWith("+35400E\r\n"));
  // An older model: no stand-by, no longitude, but the supply voltage.
  send("STN-ON\r\nK+139450\r\nv2\r\n");
  EXPECT_EQ(line(), "v2\r\n");
  EXPECT_EQ(state("tracking"), "1");
  EXPECT_EQ(state("eastlon"), "0.0000");
}

TEST_F(SimulatedTemma, StandByDateAndLongitudeOnTheTemma2M) {
  startSim(QStringLiteral("temma2m"));
  send("N260229\r\nK+139450\r\n");  // no 29 February in 2026
  EXPECT_EQ(state("eastlon"), "139.7500");
  EXPECT_EQ(state("rejected"), "1");
  // "v1" is not known here: the first reply is the one to "STN-COD".
  send("v1\r\nSTN-COD\r\n");
  EXPECT_EQ(line(), "stn-off\r\n");
  EXPECT_EQ(ask("STN-ON\r\n"), "stn-on\r\n");
  EXPECT_EQ(ask("STN-COD\r\n"), "stn-on\r\n");
  EXPECT_EQ(state("tracking"), "0");
  EXPECT_EQ(ask("STN-OFF\r\n"), "stn-off\r\n");
  EXPECT_EQ(state("tracking"), "1");
}

TEST_F(SimulatedTemma, AGotoThatNeverEndsAndFaultModes) {
  startSim(QStringLiteral("temma2m"), {QStringLiteral("--never-stops")});
  send("P123493-10006\r\n");
  ASSERT_TRUE(until([&] { return state("ra") == "45295.8" && state("dec") == "-36036.0"; }));
  QThread::msleep(500);  // arrived, yet the controller keeps saying it slews, and never "F"
  EXPECT_EQ(ask("s\r\n"), "s1\r\n");
  EXPECT_EQ(ask("E\r\n"), "E123493-10006E\r\n");
  send("PS\r\n");
  EXPECT_EQ(ask("s\r\n"), "s0\r\n");

  EXPECT_EQ(control(QStringLiteral("fault garbage")), "ok");
  const QByteArray noise = ask("E\r\n");  // a whole line, but no position
  EXPECT_TRUE(noise.size() == 16 && noise.endsWith("\r\n") && !noise.startsWith('E')) << noise.constData();
  EXPECT_EQ(control(QStringLiteral("fault silent")), "ok");
  send("s\r\n");  // lost
  EXPECT_EQ(control(QStringLiteral("fault normal")), "ok");
  EXPECT_EQ(ask("s\r\n"), "s0\r\n");
}

}  // namespace
