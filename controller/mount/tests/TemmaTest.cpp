// The Temma driver's texts, start-up, status and approach against a scripted controller.
#include "DriverFixture.h"
#include "Vb.h"
#include "frmTemma2M.h"

#include <QRegularExpression>

#include <cmath>

using namespace orvan;
using namespace orvan::testing;

namespace {

class Temma : public DriverFixture {
 protected:
  Temma() : drv(state, host, cal, ini, makeLink()) {
    drv.slewWatchTimer().stop();
    fake->setResponder([this](const QByteArray& w) { return reply(w.chopped(2)); });
    fake->open();
  }
  QByteArray reply(const QByteArray& c) {
    if (c == "E") return e + "\r\n";
    if (c == "s") return s + "\r\n";
    if (c == "STN-COD") return stn + "\r\n";
    if (c.startsWith("STN-") || c.startsWith("v") || c.startsWith("D")) return "ok\r\n";
    return {};
  }
  QStringList sent() {
    QStringList out = written();
    for (QString& x : out) x.chop(2);
    return out;
  }
  QStringList sentWithout(const QStringList& polls) {
    QStringList out;
    for (const QString& x : sent())
      if (!polls.contains(x) && !x.startsWith(u'T')) out << x;
    return out;
  }
  QByteArray e = "E123493-10006W", s = "s0", stn = "stn-off";
  frmTemma2M drv;
};

TEST_F(Temma, PositionTextsAndReplies) {
  EXPECT_EQ(frmTemma2M::PositionText(45296, -36045), QStringLiteral("123493-10006"));
  EXPECT_EQ(frmTemma2M::PositionText(0, 0), QStringLiteral("000000 00000"));
  EXPECT_EQ(frmTemma2M::PositionText(86399.7, 324000), QStringLiteral("000000+90000"));
  const auto p = frmTemma2M::ParsePosition(QStringLiteral("E123493-10006W"));
  ASSERT_TRUE(p);
  EXPECT_NEAR(p->ra, 45295.8, 1e-9);
  EXPECT_EQ(p->dec, -36036);
  EXPECT_EQ(p->side, u'W');
  for (const char* bad : {"E123493-10006", "E123493-10006X", "E126093-10006W", "E12349x-10006W", "e123493-10006W",
                          "E123493*10006W", "E123493+95006W"})
    EXPECT_FALSE(frmTemma2M::ParsePosition(QString::fromLatin1(bad))) << bad;
}

TEST_F(Temma, StartUpPerModelWithTheSitesOwnSigns) {
  drv.setModelText(QStringLiteral("Temma2M"));
  drv.cmdStartUP();
  EXPECT_EQ(sentWithout({}),
            (QStringList{"E", "N260712", "J210304", "K+139443", "I+35400", "STN-COD", "STN-ON"}));
  EXPECT_TRUE(sent().contains(QStringLiteral("T") + vb::TimeText(cal.LocalSiderealTime() % 86400).remove(u':')));
  EXPECT_EQ(state.mount.TelState, 0);
  // An older model, 12 V, in the south-west.
  fake->writes.clear();
  drv.setModelText(QStringLiteral("TemmaPC"));
  setIni("Temma", "Volt", "12");
  setIni("LOCATION", "LATITUDE", "-33:52:10");
  setIni("LOCATION", "LONGITUDE", "W070:40:59");
  drv.cmdStartUP();
  EXPECT_EQ(sentWithout({}), (QStringList{"E", "v1", "I-33521"}));
  EXPECT_EQ(drv.LongitudeCommand(), QStringLiteral("K-070409"));
  EXPECT_EQ(state.mount.TelState, 1);
  EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(Temma, AControllerWithoutPositionGetsTheLoggedOne) {
  drv.driverState().Connected = true;
  fake->open();
  setIni("EncLog", "EncOfs1", " 324000");
  setIni("EncLog", "EncOfs2", " 180000");
  drv.setModelText(QStringLiteral("Temma2"));
  e = "E000000+00000E";
  drv.cmdStartUP();
  // The logged declination axis, 50 degrees, is what the mount is told.
  const QStringList syncs = sent().filter(QRegularExpression(QStringLiteral("^D")));
  ASSERT_EQ(syncs.size(), 1);
  EXPECT_TRUE(syncs[0].endsWith(QStringLiteral("+50000"))) << syncs[0].toStdString();
  // A garbled start-up reply is no evidence of a lost position: nothing is synced.
  fake->writes.clear();
  e = "E00#000+00000E";
  drv.cmdStartUP();
  EXPECT_EQ(sent().filter(QRegularExpression(QStringLiteral("^D"))).size(), 0);
}

TEST_F(Temma, StatusPierSideAndGarbledReplies) {
  drv.driverState().Connected = true;
  fake->open();
  drv.cmdStatus();
  EXPECT_NEAR(state.mount.TelRA, 45295.8, 1e-9);
  EXPECT_EQ(drv.PierSide(), QStringLiteral("W"));
  EXPECT_EQ(host.pierSide, QStringLiteral("TW"));
  for (const char* bad : {"E1234", "E123493-10006Q", "junk"}) {
    e = bad;
    drv.cmdStatus();
    EXPECT_NEAR(state.mount.TelRA, 45295.8, 1e-9) << bad;
    EXPECT_EQ(state.mount.TelDec, -36036) << bad;
  }
  // "s" that never answers is not a question; "E" that never answers is.
  fake->setResponder([](const QByteArray&) { return QByteArray(); });
  prompter.push(Answer::Retry);
  prompter.push(Answer::Ignore);
  EXPECT_EQ(drv.SendTelescope(QStringLiteral("s")), QString());
  EXPECT_TRUE(prompter.asked().empty());
  drv.cmdStatus();
  ASSERT_GE(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].text, QStringLiteral("Temma2Mからの応答がありません（受信）\r(E)"));
}

TEST_F(Temma, HandMovesAndTheOlderModelsApproach) {
  drv.driverState().Connected = true;
  fake->open();
  drv.setModelText(QStringLiteral("Temma2"));
  state.mount.TelState = 1;
  drv.cmdMove(QStringLiteral("W"), 3);
  EXPECT_EQ(sent().last(), QStringLiteral("ME"));
  drv.cmdMove(QStringLiteral("N"), 1);
  EXPECT_EQ(sent().last(), QStringLiteral("MP"));
  EXPECT_EQ(state.mount.TelState, 2);
  drv.cmdMove(QStringLiteral("N"), 9);
  EXPECT_EQ(sent().mid(sent().size() - 3), (QStringList{"M@", "PS", "PS"}));

  // A target west of where the mount points needs the hour axis to run back: with backlash
  // on, the first goto aims 30 s of RA further on, the second at the target.
  setIni("TELESCOPE", "BackLash", "1");
  setIni("TELESCOPE", "OverRun", "30");
  double ra = 0, dec = 0;
  cal.HorizontalToEquatorial(30, 60, ra, dec);  // west of the meridian: no flip on the way back
  ra = std::nearbyint(ra);
  dec = std::nearbyint(dec);
  state.mount.AxisPos[0] = 400000;  // far west: the hour axis must come back
  fake->writes.clear();
  const double target = ra;
  ASSERT_TRUE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_TRUE(drv.driverState().ApproachDelay);
  EXPECT_EQ(sent().last(), QStringLiteral("P") + frmTemma2M::PositionText(target + 30, dec));
  EXPECT_EQ(state.mount.GotoRA, target);
  // The controller reports the end ("F"): the second goto goes to the target itself.
  e = "E" + frmTemma2M::PositionText(target + 30, dec).toLatin1() + "F";
  fake->writes.clear();
  drv.cmdStatus();
  EXPECT_EQ(sent().last(), QStringLiteral("P") + frmTemma2M::PositionText(target, dec));
  EXPECT_FALSE(drv.driverState().ApproachDelay);
  EXPECT_EQ(state.mount.SlewEndPhase, 0);
  // Its end hands the goto to the main loop.
  drv.cmdStatus();
  EXPECT_EQ(state.mount.SlewEndPhase, 1);
}

TEST_F(Temma, SyncAndTheEncoderLog) {
  drv.driverState().Connected = true;
  fake->open();
  double ra = 0, dec = 0;
  cal.HorizontalToEquatorial(0, 60, ra, dec);
  s = "s1";
  EXPECT_FALSE(drv.cmdSync(ra, dec, QStringLiteral("EOD")));  // never while slewing
  s = "s0";
  fake->writes.clear();
  ASSERT_TRUE(drv.cmdSync(ra, dec, QStringLiteral("EOD")));
  EXPECT_EQ(sent().last(), QStringLiteral("D") + frmTemma2M::PositionText(ra, dec));
  // Closing logs what was read, even after communication failed...
  state.mount.TelStatus[0] = QStringLiteral("1");
  ASSERT_TRUE(drv.cmdConnect(false));
  EXPECT_FALSE(readIni("EncLog", "EncOfs1").isEmpty());
  // ...but a session that never heard a position logs nothing.
  setIni("EncLog", "EncOfs1", " 4242");
  frmTemma2M silent(state, host, cal, ini, makeLink());
  silent.slewWatchTimer().stop();
  fake->setResponder([](const QByteArray&) { return QByteArray(); });
  prompter.push(Answer::Ignore);
  ASSERT_TRUE(silent.cmdConnect(true));
  ASSERT_TRUE(silent.cmdConnect(false));
  EXPECT_EQ(readIni("EncLog", "EncOfs1"), QStringLiteral("4242"));
}

}  // namespace
