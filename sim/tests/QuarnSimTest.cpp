// The serial dome driver against the simulated Quarn controller through a real
// pseudo-terminal: every command the driver sends, the counts at the edges of their 24-bit
// wire form, relay patterns across both output groups, the home search, and a controller that
// glitches, misreports a relay or answers garbage.
#include "FrmQuarn.h"
#include "IniFile.h"
#include "Prompter.h"
#include "SimControl.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

using namespace orvan;

namespace {

const QString kSlitOpen = QString(16, u'*') + "10";

class QuarnOnALine : public ::testing::Test {
 protected:
  QuarnOnALine() {
    ini = dir.path() + "/OrvanMirel.ini";
    QFile f(ini);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    // The slit motor hangs on outputs 17 and 18, beyond the first group of the relay report.
    f.write("[DOME]\r\nController= 1\r\nCommPort=6\r\nENC3_PULSES= 3600\r\nUpDown= 1\r\nSLIT_TIMER= 2\r\n"
            "[RELAY]\r\n$021=10\r\n$022=11\r\n$023=0*\r\n$024=****************10\r\n"
            "$025=****************01\r\n$026=****************00\r\n");
    f.close();
    s.domeSettings.CommPort = 6;
    s.domeSettings.UpDown = true;
    s.mount.AxisRev[2] = 3600;
    for (int k = 21; k <= 26; ++k)
      s.dome.RelayTable[k] = ReadIni(ini, "RELAY", QStringLiteral("$0%1").arg(k)).leftJustified(32, u' ', true);
  }
  ~QuarnOnALine() override {
    driver.reset();
    sim.terminate();
    sim.waitForFinished(5000);
  }
  QString bin() const { return QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR")) + QStringLiteral("/orvan-sim"); }
  void startSim(const QStringList& more = {}) {
    sim.start(bin(), QStringList{"quarn", "--dir", dir.path(), "--com", "6", "--dome-rate", "30", "--azimuth", "190",
                                 "--log", dir.path() + "/quarn.log"} + more);
    ASSERT_TRUE(sim.waitForReadyRead(5000) && sim.readLine().startsWith("ready ")) << sim.readAllStandardError().constData();
  }
  FrmQuarn& connectDriver() {
    driver.reset();
    driver = std::make_unique<FrmQuarn>(s, ini, QuarnHost{}, nullptr, dir.path());
    EXPECT_EQ(driver->DomeConnect(kTrue), kTrue);
    return *driver;
  }
  QByteArray stop(int entry) const { return "$12" + s.dome.RelayTable[entry].toLatin1() + '#'; }
  QByteArray control(const QString& words) { return orvan::sim::test::SimControl(dir.path(), 6, words); }
  QByteArray state(const QByteArray& key) { return orvan::sim::test::SimState(dir.path(), 6, key); }
  // The commands the controller received, in order.
  QByteArrayList received() {
    QFile f(dir.path() + "/quarn.log");
    f.open(QIODevice::ReadOnly);
    QByteArrayList out;
    for (const QByteArray& line : f.readAll().split('\n'))
      if (line.contains(" <- ")) out << line.mid(line.indexOf(" <- ") + 4).replace("<0D>", "");
    return out;
  }
  static bool until(const std::function<bool()>& done) {
    for (int i = 0; i < 200 && !done(); ++i) QThread::msleep(50);
    return done();
  }

  QTemporaryDir dir;
  QString ini;
  SharedState s;
  QProcess sim;
  ScriptedPrompter prompter;
  ScopedPrompter scoped{prompter};
  std::unique_ptr<FrmQuarn> driver;
};

TEST_F(QuarnOnALine, EveryCommandReachesTheControllerAsWritten) {
  startSim();
  FrmQuarn& q = connectDriver();
  // Fresh from power-up every output reads on, so the driver clears them first; the motors'
  // stop patterns follow whatever the outputs read.
  EXPECT_EQ(received(), QByteArrayList({"$13#", "$00", stop(23), stop(26), "$13#"}));
  EXPECT_EQ(state("outputs"), QByteArray(32, '0'));
  EXPECT_EQ(s.dome.DomeZFlag, kFalse);
  EXPECT_EQ(s.dome.DomeZMemory, 1);

  // The home memory is output 32, and the controller keeps it for the next program run.
  q.DomeSetZflag(kTrue);
  EXPECT_EQ(received().mid(5), QByteArrayList({"$090000#", "$12" + QByteArray(31, '*') + "1#"}));
  EXPECT_EQ(state("home"), "1");
  EXPECT_EQ(q.DomeGetZFlag(), kTrue);
  FrmQuarn& again = connectDriver();
  EXPECT_EQ(received().count("$00"), 1);
  EXPECT_EQ(s.dome.DomeZFlag, kTrue);

  // Relay patterns across both groups of the report: character k is output k on both sides.
  again.SetRelay("1" + QString(15, u'*') + "1" + QString(13, u'*') + "0*");
  const QString expected = "1" + QString(15, u'0') + "1" + QString(14, u'0') + "1";
  EXPECT_EQ(again.GetRelay(), expected);
  EXPECT_EQ(state("outputs"), expected.toLatin1());
  again.SetRelay("0" + QString(15, u'*') + "0");
  EXPECT_EQ(again.GetRelay(), QString(31, u'0') + "1");

  // Counts at the edges of the wire form, preset and read back.
  for (int32_t v : {0, -1, 1, 4194304, 8388607, -8388608}) {
    again.SetEnc(3, v);
    EXPECT_EQ(again.DomeGetEnc(), v) << v;
  }
  EXPECT_TRUE(received().contains("$037FFFFF"));
  EXPECT_TRUE(received().contains("$03000000"));
  EXPECT_TRUE(received().contains("$03FFFFFF"));

  // The motors run as the relay entries are wired.
  again.SetEnc(3, 0);
  again.DomeRotation(1);
  EXPECT_EQ(state("rotation"), "increasing");
  ASSERT_TRUE(until([&] { return again.DomeGetEnc() > 100; }));
  again.DomeRotation(-1);
  EXPECT_EQ(state("rotation"), "decreasing");
  again.DomeRotation(0);
  EXPECT_EQ(state("rotation"), "stopped");
  ASSERT_TRUE(until([&] { return state("speed") == "0.00"; }));
  again.DomeSlit(1);
  EXPECT_EQ(state("slitMotor"), "opening");
  ASSERT_TRUE(until([&] { return state("slit").toDouble() > 0.2; }));
  again.DomeSlit(-1);
  EXPECT_EQ(state("slitMotor"), "closing");
  again.DomeSlit(0);
  EXPECT_EQ(state("slitMotor"), "stopped");
  EXPECT_EQ(again.GetSensor(), QString());
  EXPECT_EQ(state("rejected"), "0");
  EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(QuarnOnALine, TheHomeSearchFindsTheMarkAndCountsFromIt) {
  startSim();
  FrmQuarn& q = connectDriver();
  q.DomeZsearch(kTrue);
  EXPECT_EQ(received().mid(5), QByteArrayList({"$03C00000", "$07800000#", "$090010#", "$12" + QByteArray(31, '*') + "0#"}));
  EXPECT_EQ(q.DomeGetEnc(), 4194304);
  EXPECT_EQ(state("mark"), "armed");
  q.DomeRotation(1);
  ASSERT_TRUE(until([&] { return q.DomeGetZFlag() == kTrue; }));
  q.DomeRotation(0);
  EXPECT_EQ(s.dome.DomeZSearching, kFalse);
  EXPECT_TRUE(received().contains("$0A#"));
  EXPECT_EQ(state("home"), "1");
  // The mark sits at 200 degrees and the count is 0 there: ten counts a degree beyond it.
  ASSERT_TRUE(until([&] { return state("speed") == "0.00"; }));
  const int32_t e = q.DomeGetEnc();
  EXPECT_NEAR(e, (state("azimuth").toDouble() - 200) * 10, 2);
  EXPECT_GT(e, 0);
}

TEST_F(QuarnOnALine, AGlitchAStuckRelayAndGarbageLeaveTheLastGoodReadings) {
  startSim();
  FrmQuarn& q = connectDriver();
  q.SetEnc(3, 1000);
  EXPECT_EQ(q.DomeGetEnc(), 1000);
  EXPECT_EQ(control("glitch"), "ok");
  EXPECT_EQ(q.DomeGetEnc(), 1000);  // half a turn away in one reading: set aside
  EXPECT_EQ(q.DomeGetEnc(), 1000);

  // Output 32 set but reading back off: the home is not taken as remembered.
  EXPECT_EQ(control("stick 32 0"), "ok");
  q.DomeSetZflag(kTrue);
  EXPECT_EQ(q.DomeGetZFlag(), kFalse);
  EXPECT_EQ(control("stick 32 off"), "ok");
  EXPECT_EQ(q.DomeGetZFlag(), kTrue);

  // Garbage has no line end: the observer is asked once and the count stays.
  q.DomeRotation(1);
  EXPECT_EQ(control("fault garbage"), "ok");
  prompter.push(Answer::Ignore);
  EXPECT_EQ(q.DomeGetEnc(), 1000);
  EXPECT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(control("fault normal"), "ok");
  // Given up, the driver sends nothing more, but the stop it sent then reached the dome.
  ASSERT_TRUE(until([&] { return state("rotation") == "stopped"; }));
  const qsizetype sent = received().size();
  q.DomeRotation(1);
  q.DomeGetEnc();
  EXPECT_EQ(received().size(), sent);
  EXPECT_EQ(state("rotation"), "stopped");
}

}  // namespace

namespace {

// Cut, slow and missing replies and a controller that vanishes while the dome turns, each on
// a fresh connection: the driver returns with the last good count, the observer is asked, the
// stop goes out once the line is mended, and the next connection finds the dome stopped.
TEST_F(QuarnOnALine, CutSlowSilentAndVanishedControllersComeBackStopped) {
  startSim();
  struct Row {
    const char* fault;
    Answer answer;
  };
  for (const Row& row : {Row{"short", Answer::Ignore}, Row{"slow", Answer::Retry}, Row{"silent", Answer::Ignore},
                         Row{"vanish", Answer::Ignore}}) {
    SCOPED_TRACE(row.fault);
    FrmQuarn& q = connectDriver();
    ASSERT_EQ(state("rotation"), "stopped");
    q.SetEnc(3, 1000);
    const int32_t before = q.DomeGetEnc();
    q.DomeRotation(1);
    ASSERT_TRUE(until([&] { return state("rotation") != "stopped"; }));
    prompter.clear();
    for (int i = 0; i < 4; ++i) prompter.push(row.answer);
    EXPECT_EQ(control(QStringLiteral("fault ") + row.fault), "ok");
    const int32_t count = q.DomeGetEnc();
    // The count read under the fault is the last good one or a good new one, never garbage.
    EXPECT_TRUE(count == before || std::abs(count - before) < 1800) << count;
    EXPECT_EQ(control("fault normal"), "ok");
    q.DomeRotation(0);
    q.DomeConnect(kFalse);
  }
}

}  // namespace

namespace {

// Answers the time-out question after running what happens while it is open.
class PromptDuring final : public Prompter {
 public:
  std::function<Answer()> during;
  int asked = 0;
  Answer ask(const QString&, const QString&, Buttons, Icon) override {
    ++asked;
    return during ? during() : Answer::Ignore;
  }
};

// The relays are latched: rotation and slit left on by a program that was killed keep running
// until the next one connects, which switches them off before anything else.
TEST_F(QuarnOnALine, MotorsAKilledProgramLeftRunningStopAtConnect) {
  startSim({"--outputs", "11" + QString(14, u'0') + "10"});
  ASSERT_EQ(state("rotation"), "increasing");
  ASSERT_EQ(state("slitMotor"), "opening");
  connectDriver();
  EXPECT_EQ(state("rotation"), "stopped");
  EXPECT_EQ(state("slitMotor"), "stopped");
  // Not a fresh power-up: no "$00", and the home memory (output 32) is left as it was.
  EXPECT_EQ(received(), QByteArrayList({"$13#", stop(23), stop(26), "$13#"}));
  EXPECT_TRUE(prompter.asked().empty());
}

// A controller that stops answering while the slit runs: the motors are stopped before the
// question is asked, and a slit stop that falls due while it is open goes out once the line
// answers again instead of being lost.
TEST_F(QuarnOnALine, NoMotorRunsWhileTheTimeoutQuestionIsOpen) {
  startSim({"--slow-ms", "6500"});
  PromptDuring asking;
  ScopedPrompter scope(asking);
  FrmQuarn& q = connectDriver();
  q.DomeRotation(1);
  q.DomeSlit(1);
  ASSERT_EQ(state("slitMotor"), "opening");
  ASSERT_FALSE(q.takeMotorsStopped());
  EXPECT_EQ(control("fault slow"), "ok");
  asking.during = [&] {
    // Asked: both motors already stopped, though the controller has not answered.
    EXPECT_TRUE(until([&] { return state("rotation") == "stopped" && state("slitMotor") == "stopped"; }));
    const qsizetype before = received().count(stop(26));
    q.DomeSlit(0);  // the slit's timer runs out meanwhile
    EXPECT_EQ(received().count(stop(26)), before);  // not in the middle of an exchange
    EXPECT_EQ(control("fault normal"), "ok");
    return Answer::Retry;
  };
  const qsizetype stopsBefore = received().count(stop(26));
  q.DomeGetEnc();
  EXPECT_EQ(asking.asked, 1);
  EXPECT_TRUE(q.takeMotorsStopped());  // whoever drives the motors learns they stopped
  EXPECT_FALSE(q.takeMotorsStopped());
  // The blind stop before the question, then the stop held back during it.
  EXPECT_EQ(received().count(stop(26)), stopsBefore + 2);
  EXPECT_EQ(received().constLast(), stop(26));
  EXPECT_EQ(q.LastAnswer, 4);
  // The line works again: the driver goes on addressing the controller.
  q.DomeSlit(-1);
  EXPECT_EQ(state("slitMotor"), "closing");
  q.DomeSlit(0);
  EXPECT_EQ(state("slitMotor"), "stopped");
}

}  // namespace
