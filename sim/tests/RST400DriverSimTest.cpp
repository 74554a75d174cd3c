// The RST-400 driver against the simulated HUBO-i controller, through a real pseudo-terminal.
#include "DriverOnSimulator.h"
#include "Vb.h"
#include "frmRST400.h"

#include <QDate>
#include <QRegularExpression>
#include <cmath>

using namespace orvan;
using namespace orvan::testing;

namespace {

class SimulatedRst400 : public DriverOnSimulator<frmRST400> {
 protected:
  SimulatedRst400() : DriverOnSimulator("rst400") {}
  // Due south at `altDeg`, in whole seconds and arcseconds, the way the goto sends them.
  void targetAt(double altDeg, double& ra, double& dec) { DriverOnSimulator::targetAt(0, altDeg, ra, dec); }
  QByteArray simState() { return control("state"); }
};

TEST_F(SimulatedRst400, ANightFromConnectToDisconnect) {
  for (const char* k : {"LocalData0", "LocalData1", "LocalData2"}) WriteIni(ini, "HUBO", k, " 1");
  WriteIni(ini, "HUBO", "EncOfs1", "-1200");
  WriteIni(ini, "HUBO", "EncOfs2", " 30");
  startSim();
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  EXPECT_EQ(m.TelState, 1);
  EXPECT_EQ(m.AxisOfs[0], -1200);  // the homing's offsets
  EXPECT_EQ(m.AxisOfs[1], 30);
  QByteArray s = simState();
  EXPECT_TRUE(s.contains("lat=35.6667")) << s.constData();
  EXPECT_TRUE(s.contains("westlon=220.25")) << s.constData();  // whole minutes only
  EXPECT_TRUE(s.contains("utc=-9.0")) << s.constData();

  // Goto 60 degrees up in the south: the watch (10" / 10 s inclusive) and the polls end it.
  double ra = 0, dec = 0;
  targetAt(60, ra, dec);
  const double targetRa = ra, targetDec = dec;
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_EQ(m.TelState, 2);
  ASSERT_TRUE(runMainLoopUntil([&] { return host.linkOks == 1; }));
  EXPECT_EQ(host.telSlewings.back(), 2);
  EXPECT_NEAR(m.TelRA, targetRa, 1);
  EXPECT_NEAR(m.TelDec, targetDec, 1);
  EXPECT_NEAR(vb::Val(m.TelStatus[5]), 60, 0.2);
  EXPECT_TRUE(simState().contains("tracking=1"));

  // A hand move north, then its end.
  driver->cmdMove(QStringLiteral("N"), 2);
  EXPECT_EQ(m.TelState, 2);
  Wait(800);
  driver->cmdMove(QStringLiteral("N"), 9);
  EXPECT_EQ(m.TelState, 1);
  driver->cmdStatus();
  EXPECT_GT(m.TelDec, targetDec + 300);

  // Sync on the centred star: the mount reports it afterwards.
  ra = targetRa;
  dec = targetDec;
  ASSERT_TRUE(driver->cmdSync(ra, dec, QStringLiteral("EOD")));
  driver->cmdStatus();
  EXPECT_NEAR(m.TelRA, targetRa, 0.5);
  EXPECT_NEAR(m.TelDec, targetDec, 0.5);

  // Stop while tracking: stand-by. Tracking again. Stop during a slew: stand-by too.
  driver->cmdStop();
  EXPECT_EQ(m.TelState, 0);
  EXPECT_TRUE(simState().contains("tracking=0"));
  driver->cmdTrucking();
  EXPECT_EQ(m.TelState, 1);
  EXPECT_TRUE(simState().contains("tracking=1"));
  targetAt(40, ra, dec);
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  driver->cmdStop();
  EXPECT_EQ(m.TelState, 0);
  EXPECT_TRUE(simState().contains("slewing=0"));

  ASSERT_TRUE(driver->cmdConnect(false));
  EXPECT_TRUE(prompter.asked().empty());
  EXPECT_EQ(ReadIni(ini, "EncLog", "EncOfs1").trimmed(), QStringLiteral("0"));
  EXPECT_EQ(ReadIni(ini, "HUBO", "EncOfs1"), QStringLiteral("-1200"));  // never touched here

  const auto raText = [](double s) { return vb::TimeText(static_cast<long long>(s) % 86400) + ".0"; };
  const auto decText = [](double d) {
    const long long a = std::llabs(static_cast<long long>(d));
    return QStringLiteral("%1%2*%3:%4.0").arg(QChar(d < 0 ? u'-' : u'+')).arg(a / 3600, 2, 10, QChar(u'0'))
        .arg(a % 3600 / 60, 2, 10, QChar(u'0')).arg(a % 60, 2, 10, QChar(u'0'));
  };
  QStringList got = received(false);
  ASSERT_GE(got.size(), 8);
  // The clock, the date and the sidereal time move on: their forms are checked, not their values.
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^:SL\\d\\d:\\d\\d:\\d\\d#$")).match(got[2]).hasMatch()) << qPrintable(got[2]);
  EXPECT_EQ(got[3], QStringLiteral(":SC") + QDate::currentDate().toString(QStringLiteral("MM:dd:yy")) + u'#');
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^:SS\\d\\d:\\d\\d:\\d\\d#$")).match(got[7]).hasMatch()) << qPrintable(got[7]);
  got[2] = QStringLiteral(":SL#");
  got[3] = QStringLiteral(":SC#");
  got[7] = QStringLiteral(":SS#");
  const QString t1 = ":Sr" + raText(targetRa) + "# :Sd" + decText(targetDec) + "# :Gr# :Gd#";
  const QStringList expected{
      ":SPH# :SPE# :SL# :SC# :Sg220*15.20# :St+35*40:00.0# :SG-09.0# :SS#",  // start-up, every switch on
      t1 + " :CtL# :MS#",                                                   // goto, the target checked first
      ":CtA#",                                                              // at the target: tracking on again
      ":CtA# :Q# :RM# :Mn# :Qn# :Q#",                                       // hand move
      t1 + " :CM#",                                                         // sync
      ":Q# :CtL#",                                                          // stop while tracking
      ":CtL# :CtA# :Q#",                                                    // tracking from stand-by
      ":Sr" + raText(ra) + "# :Sd" + decText(dec) + "# :Gr# :Gd# :CtL# :MS#",  // goto
      ":Q#"};                                                               // stop while slewing; closing sends nothing
  EXPECT_EQ(got.join(u' ').toStdString(), expected.join(u' ').toStdString());
}

TEST_F(SimulatedRst400, ASilentControllerEndsInTheTimeOutQuestion) {
  startSim({QStringLiteral("--fault"), QStringLiteral("silent")});
  prompter.push(Answer::Ignore);
  // Every start-up command goes unanswered by design; the first query is the position.
  ASSERT_TRUE(driver->cmdConnect(true));
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].title, QStringLiteral("タイムアウト"));
  EXPECT_EQ(prompter.asked()[0].text, QStringLiteral("RST400からの応答がありません（受信）\r(:GR#)"));
  EXPECT_EQ(host.formSizeChanges, std::vector<int>{2});
  // Given up: a goto is refused, nothing more is sent.
  double ra = 0, dec = 0;
  targetAt(60, ra, dec);
  EXPECT_FALSE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_TRUE(host.telSlewings.empty());
  ASSERT_TRUE(driver->cmdConnect(false));
  EXPECT_EQ(received().join(u' ').toStdString(), ":SPH# :SPE# :GR#");
}

TEST_F(SimulatedRst400, NoiseKeepsThePosition) {
  startSim();
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  driver->cmdStatus();
  const double ra = m.TelRA, dec = m.TelDec;
  // Noise without the closing "#" is never a complete reply: the question comes after the
  // time-out, and nothing read from the noise moves the position.
  ASSERT_EQ(control("fault garbage"), QByteArray("ok"));
  prompter.push(Answer::Ignore);
  driver->cmdStatus();
  EXPECT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(m.TelRA, ra);
  EXPECT_EQ(m.TelDec, dec);
  ASSERT_EQ(control("fault normal"), QByteArray("ok"));
  ASSERT_TRUE(driver->cmdConnect(false));
}

TEST_F(SimulatedRst400, AControllerThatVanishesMidGoto) {
  startSim({QStringLiteral("--slew-rate"), QStringLiteral("2")});
  MountState& m = state.mount;
  ASSERT_TRUE(driver->cmdConnect(true));
  double ra = 0, dec = 0;
  targetAt(30, ra, dec);
  ASSERT_TRUE(driver->cmdGoto(ra, dec, QStringLiteral("EOD")));
  driver->cmdStatus();
  const double seenRa = m.TelRA, seenDec = m.TelDec;
  ASSERT_EQ(control("fault vanish"), QByteArray("ok"));
  prompter.push(Answer::Abort);
  driver->cmdStatus();
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(host.unloads, 1);
  EXPECT_EQ(m.TelRA, seenRa);  // the last position stays; the goto is not called complete
  EXPECT_EQ(m.TelDec, seenDec);
  EXPECT_EQ(host.linkOks, 0);
  ASSERT_EQ(control("fault normal"), QByteArray("ok"));
  ASSERT_TRUE(driver->cmdConnect(false));
  EXPECT_EQ(ReadIni(ini, "EncLog", "EncOfs1"), QString());  // communication failed: no log
}

}  // namespace
