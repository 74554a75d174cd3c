// The simulated RST-400 as a client sees it: the simulator program runs as a child process and
// the test writes raw bytes to its pseudo-terminal (ports/COM<n>); the control socket gives the
// device state and switches the fault modes.
#include "SimOnPty.h"

#include <QByteArrayList>
#include <QRegularExpression>
#include <algorithm>
#include <utility>

namespace {

const QRegularExpression kRa(QStringLiteral("^:GR\\d\\d:\\d\\d:\\d\\d\\.\\d#$"));
const QRegularExpression kDec(QStringLiteral("^:GD[+-]\\d\\d\\*\\d\\d:\\d\\d\\.\\d#$"));
bool matches(const QRegularExpression& re, const QByteArray& reply) { return re.match(QString::fromLatin1(reply)).hasMatch(); }

class SimulatedRst400 : public orvan::sim::test::SimOnPty {
 protected:
  SimulatedRst400() : SimOnPty(4) {}
  void startSim(const QStringList& extra = {}) {
    SimOnPty::startSim(QStringList{"rst400", "--slew-rate", "20", "--home-time", "4"} + extra);
  }
  // Reads until `enough` bytes or a '#' arrived, or the line stays quiet for 5 s.
  QByteArray read(qsizetype enough = 1000) {
    return readUntil([enough](const QByteArray& got) { return got.size() >= enough || got.contains('#'); });
  }
  QByteArray ask(const QByteArray& cmd) {
    send(cmd);
    return read();
  }
  // Tokyo, with the sidereal time set so that RA 12:34:56 stands high in the south-east.
  void setSite() { send(":SPH#\r:SPE#\r:St+35*40:00.0#\r:Sg220*15.20#\r:SG-09.0#\r:SS12:00:00#\r"); }
};

TEST_F(SimulatedRst400, GotoSlewsTracksAndStandByLetsTheSkyDrift) {
  startSim();
  setSite();
  EXPECT_EQ(state("westlon"), "220.2533");  // the minutes are read with their decimals
  send(":CtL#\r:Sr12:34:56.0#\r:Sd+30*00:00.0#\r");
  // Values the controller cannot read leave the stored target alone; set commands never answer.
  send(":Sd+95*00:00.0#\r:Sr24:00:00.0#\r:Sdgarbage#\r");
  EXPECT_EQ(ask(":Gr#\r"), ":Gr12:34:56.0#");
  EXPECT_EQ(ask(":Gd#\r"), ":Gd+30*00:00.0#");
  EXPECT_EQ(state("rejected"), "3");

  // Every reply has its exact length, and the position runs from the pole to the target.
  send(":MS#\r");
  QByteArrayList decs;
  ASSERT_TRUE(until([&] {
    const QByteArray ra = ask(":GR#\r"), dec = ask(":GD\r");  // a bare carriage return ends a command too
    EXPECT_TRUE(ra.size() == 14 && matches(kRa, ra)) << ra.constData();
    EXPECT_TRUE(dec.size() == 15 && matches(kDec, dec)) << dec.constData();
    decs << dec;
    return ra == ":GR12:34:56.0#" && dec == ":GD+30*00:00.0#" && state("slewing") == "0";
  }));
  ASSERT_GE(decs.size(), 3);
  EXPECT_TRUE(std::is_sorted(decs.rbegin(), decs.rend()));  // declination only ever falls
  EXPECT_TRUE(decs[1] != decs.front() && decs[1] != decs.back());
  EXPECT_EQ(state("tracking"), "1");  // a goto ends tracking its target
  QThread::msleep(1200);
  EXPECT_EQ(ask(":GR#\r"), ":GR12:34:56.0#");

  // Stand-by: the tube stays put against the ground, so the right ascension grows.
  send(":CtL#\r");
  QByteArray drifted;
  ASSERT_TRUE(until([&] { return (drifted = ask(":GR#\r")) != ":GR12:34:56.0#"; }));
  EXPECT_TRUE(drifted > ":GR12:34:56.0#" && drifted < ":GR12:35:56.0#") << drifted.constData();
  send(":CtA#\r");
  const QByteArray held = ask(":GR#\r");
  QThread::msleep(1200);
  EXPECT_EQ(ask(":GR#\r"), held);
}

TEST_F(SimulatedRst400, AStopInEachState) {
  startSim();
  setSite();
  send(":Sr12:34:56.0#\r:Sd-10*00:45.0#\r:MS#\r");
  EXPECT_EQ(state("slewing"), "1");
  send(":Q#\r");  // the slew halts where it is and the mount goes on tracking
  const QByteArray halted = ask(":GD#\r");
  EXPECT_NE(halted, ":GD-10*00:45.0#");
  QThread::msleep(500);
  EXPECT_EQ(ask(":GD#\r"), halted);
  EXPECT_EQ(state("tracking"), "1");
  for (const auto& [move, quit] : {std::pair{":RC#\r:Mn#\r", ":Q#\r"}, std::pair{":RS#\r:Me#\r", ":Qe#\r"}}) {
    send(move);
    EXPECT_EQ(state("moving"), "1");
    send(quit);
    EXPECT_EQ(state("moving"), "0") << quit;
  }
  send(":Q#\r");  // neither tracking nor stand-by changes
  EXPECT_EQ(state("tracking"), "1");
  send(":CtL#\r:Q#\r");
  EXPECT_EQ(state("tracking"), "0");
  send(":Ch#\r");  // a home search ends without a home
  EXPECT_EQ(ask(":GH#\r"), ":GH?#");
  send(":Q#\r");
  EXPECT_EQ(ask(":GH#\r"), ":GH0#");
  const QByteArray stopped = ask(":GD#\r");
  QThread::msleep(500);
  EXPECT_EQ(ask(":GD#\r"), stopped);
}

TEST_F(SimulatedRst400, TheHomeSearchReachesHomeAndIgnoresGotosMeanwhile) {
  startSim();
  setSite();
  EXPECT_EQ(ask(":GH#\r"), ":GH0#");
  send(":Ch#\r:CtL#\r:Sr12:34:56.0#\r:Sd+30*00:00.0#\r:MS#\r:Mw#\r");
  QByteArrayList states;
  ASSERT_TRUE(until([&] {
    const QByteArray h = ask(":GH#\r");
    if (states.isEmpty() || states.back() != h) states << h;
    return h == ":GHO#";
  }));
  EXPECT_EQ(states, (QByteArrayList{":GH?#", ":GH<#", ":GHO#"}));
  // Home is on the pole: altitude the latitude, azimuth north; the goto sent meanwhile was dropped.
  EXPECT_EQ(ask(":GD#\r"), ":GD+90*00:00.0#");
  EXPECT_EQ(ask(":GA#\r"), ":GA+35*40:00.0#");
  EXPECT_EQ(ask(":GZ#\r"), ":GZ000*00:00.0#");
  EXPECT_EQ(state("moving"), "0");
  EXPECT_EQ(state("tracking"), "0");
  send(":MS#\r");
  EXPECT_EQ(state("slewing"), "1");
}

TEST_F(SimulatedRst400, FaultModes) {
  startSim({QStringLiteral("--fault"), QStringLiteral("silent")});
  send(":GR#\r");  // lost: after recovery only the next query is answered
  EXPECT_EQ(control(QStringLiteral("fault normal")), "ok");
  EXPECT_TRUE(matches(kDec, ask(":GD#\r")));
  EXPECT_EQ(control(QStringLiteral("fault garbage")), "ok");
  send(":GR#\r");
  const QByteArray noise = read(14);
  EXPECT_TRUE(noise.size() == 14 && !noise.contains('#') && !noise.startsWith(":GR")) << noise.constData();
  EXPECT_EQ(control(QStringLiteral("fault vanish")), "ok");
  EXPECT_FALSE(QFile::exists(link()));
  EXPECT_EQ(control(QStringLiteral("fault normal")), "ok");
  openLine();
  EXPECT_TRUE(matches(kRa, ask(":GR#\r")));
}

}  // namespace
