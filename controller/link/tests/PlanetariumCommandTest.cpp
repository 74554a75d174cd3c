// The LX200 dialogue as planetarium programs hold it: the spaced one-command layout of older
// programs, the standard Meade forms of INDI and the combined writes of Stellarium.
#include "PlanetariumCommand.h"

#include "Clock.h"
#include "FakeLinkHost.h"
#include "FakeMountDriver.h"
#include "IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace orvan {
namespace {

const QChar kDeg(0xFF9F);

class PlanetariumCommandTest : public ::testing::Test {
 protected:
  PlanetariumCommandTest() : host(dir.filePath("OrvanMirel.ini")), command(host) {
    host.telescope = &mount;
    host.shared.site.MountType = "G";
  }
  QString send(const QString& text) { return command.interpret(text); }
  QString ini(const char* key) { return ReadIni(host.IniPath(), "LOCATION", key); }
  PlanetariumState& sky() { return host.shared.planetarium; }

  QTemporaryDir dir;
  FakeMountDriver mount;
  FakeLinkHost host;
  PlanetariumCommand command;
};

TEST_F(PlanetariumCommandTest, PositionQueries) {
  host.shared.mount.TelRA = 45296;
  host.shared.mount.TelDec = -18620;
  EXPECT_EQ(send(":GR#"), "12:34:56#");
  EXPECT_EQ(send("#:GR#"), "12:34:56#");  // Stellarium's leading '#'
  EXPECT_EQ(send(":GD#"), QString("-05") + kDeg + "10:20#");
  EXPECT_EQ(send(":GR#:GD#"), QString("-05") + kDeg + "10:20#");  // only the last reply
  EXPECT_EQ(send(":GVN#"), "2.40#");
  EXPECT_EQ(send(":GVP#"), "2.40#");
}

TEST_F(PlanetariumCommandTest, SpacedLayoutSetsTheTarget) {
  EXPECT_EQ(send(":Sr 05:12:33#"), "1");
  EXPECT_EQ(sky().TargetRA, 18753);
  EXPECT_EQ(send(":Sd -05*10:20#"), "1");
  EXPECT_EQ(sky().TargetDec, -18620);
  EXPECT_TRUE(mount.calls.empty());
}

TEST_F(PlanetariumCommandTest, BothLayoutsGiveTheSameGotoTarget) {
  const std::vector<QStringList> layouts = {
      {":Sr 05:30:00#", ":Sd +20*15:00#", ":MS#"},         // older programs
      {":Sr05:30:00#", ":Sd+20*15:00#", ":MS#"},           // INDI
      {"#:Q#:Sr05:30:00#", QString(":Sd+20") + kDeg + "15:00#", ":MS#"},  // Stellarium
  };
  for (const QStringList& writes : layouts) {
    mount.calls.clear();
    sky().TargetRA = sky().TargetDec = 0;
    EXPECT_EQ(send(writes[0]), "1") << writes[0].toStdString();
    EXPECT_EQ(send(writes[1]), "1") << writes[1].toStdString();
    EXPECT_EQ(send(writes[2]), "0");
    ASSERT_FALSE(mount.calls.empty());
    const auto& go = mount.calls.back();
    EXPECT_EQ(go.op, "cmdGoto");
    EXPECT_EQ(go.ra, 19800);
    EXPECT_EQ(go.dec, 72900);
    EXPECT_EQ(go.text, "EOD");
  }
  EXPECT_EQ(host.shared.mount.GotoRA, 19800);
  EXPECT_EQ(host.shared.mount.GotoDec, 72900);
  EXPECT_EQ(host.shared.mount.GotoEpoch, "EOD");
}

TEST_F(PlanetariumCommandTest, StellariumChunkStopsHandMotionThenSetsRa) {
  EXPECT_EQ(send("#:Q#:Sr06:46:22#"), "1");
  EXPECT_EQ(sky().TargetRA, 24382);
  ASSERT_EQ(mount.calls.size(), 1u);
  EXPECT_EQ(mount.calls[0].op, "cmdMove");
  EXPECT_EQ(mount.calls[0].text, "");
  EXPECT_EQ(mount.calls[0].speed, 9);
  EXPECT_EQ(send(QString(":Sd-16") + kDeg + "45:09#"), "1");
  EXPECT_EQ(sky().TargetDec, -60309);
}

TEST_F(PlanetariumCommandTest, MalformedSetIsRefusedAndEndsTheText) {
  sky().TargetRA = 100;
  sky().TargetDec = 200;
  EXPECT_EQ(send(":Sr#"), "0");
  EXPECT_EQ(send(":Sr 25:00:00#"), "0");
  EXPECT_EQ(send(":Sd +12*34#:Sr 99:00:00#:MS#"), "0");  // the Dec was set, the goto never runs
  EXPECT_EQ(sky().TargetRA, 100);
  EXPECT_EQ(sky().TargetDec, 45240);
  EXPECT_TRUE(mount.calls.empty());
}

TEST_F(PlanetariumCommandTest, GotoAndSyncPassCopiesInTheConfiguredFrame) {
  sky().SkyMapEpoch = 2;
  sky().TargetRA = 1000;
  sky().TargetDec = 2000;
  mount.convertBy = 55;  // the driver writes back its equinox-of-date values
  EXPECT_EQ(send(":MS#"), "0");
  EXPECT_EQ(send(":CM#"), "#");
  ASSERT_EQ(mount.ops(), QStringList({"cmdGoto", "cmdSync"}));
  for (const auto& c : mount.calls) {
    EXPECT_EQ(c.text, "2000");
    EXPECT_EQ(c.ra, 1000);
  }
  EXPECT_EQ(sky().TargetRA, 1000);
  EXPECT_EQ(sky().TargetDec, 2000);
  EXPECT_EQ(host.shared.mount.GotoEpoch, "2000");
}

TEST_F(PlanetariumCommandTest, RefusedGotoIsReportedTheMeadeWay) {
  mount.gotoResult = false;
  const QString reply = send(":MS#");
  ASSERT_GE(reply.size(), 3);
  EXPECT_EQ(reply.front(), u'1');
  EXPECT_EQ(reply.back(), u'#');
  for (QChar c : reply) EXPECT_LT(c.unicode(), 128);
  host.telescope = nullptr;  // no mount bound: refused as well, nothing crashes
  EXPECT_EQ(send(":MS#").front(), u'1');
}

TEST_F(PlanetariumCommandTest, HandMotionFollowsTheChosenRate) {
  EXPECT_EQ(send(":Mn#"), "");
  EXPECT_EQ(send(":RG#"), "");
  EXPECT_EQ(send(":Mw#"), "");
  EXPECT_EQ(send(":RS#"), "");
  EXPECT_EQ(send(":Me#"), "");
  EXPECT_EQ(send(":Qn#"), "#");  // stops twice: "Qn" and "Q"
  ASSERT_EQ(mount.calls.size(), 5u);
  EXPECT_EQ(mount.calls[0].text, "N");
  EXPECT_EQ(mount.calls[0].speed, 2);  // no rate chosen yet: the middle one
  EXPECT_EQ(mount.calls[1].text, "W");
  EXPECT_EQ(mount.calls[1].speed, 1);
  EXPECT_EQ(mount.calls[2].text, "E");
  EXPECT_EQ(mount.calls[2].speed, 3);
  for (int i : {3, 4}) {
    EXPECT_EQ(mount.calls[i].text, "");
    EXPECT_EQ(mount.calls[i].speed, 9);
  }
}

TEST_F(PlanetariumCommandTest, AlignmentQueryAnswersByMountType) {
  const QString ack(QChar(0x06));
  EXPECT_EQ(send(ack), "P");
  host.shared.site.MountType = "F";
  EXPECT_EQ(send(ack), "P");
  host.shared.site.MountType = "A";
  EXPECT_EQ(send(ack), "A");
  host.shared.site.MountType = "FS";
  EXPECT_EQ(send(ack), "");
}

TEST_F(PlanetariumCommandTest, MissionsStopAndTracking) {
  EXPECT_EQ(send(":TQ#"), "");
  EXPECT_EQ(send(":T000.00#"), "");
  EXPECT_EQ(send(":hP#"), "");
  ASSERT_EQ(host.missions.size(), 3u);
  EXPECT_EQ(host.missions[0].first, 37);
  EXPECT_EQ(host.missions[1].first, 40);
  EXPECT_EQ(host.missions[2].first, 54);
  EXPECT_EQ(send(":ST0.0#"), "1");
  EXPECT_EQ(send(":TQ"), "");
  EXPECT_EQ(mount.ops(), QStringList({"cmdStop", "cmdTrucking"}));
}

TEST_F(PlanetariumCommandTest, SiteCommandsWriteTheLocation) {
  EXPECT_EQ(send(":Sg 220*16*00#"), "1");
  EXPECT_EQ(ini("LONGITUDE"), "E139:44:00");
  EXPECT_EQ(send(":Sg 139*44*00#"), "1");
  EXPECT_EQ(ini("LONGITUDE"), "W139:44:00");
  EXPECT_EQ(send(":Sg-139*42#"), "1");  // INDI: east sent negative
  EXPECT_EQ(ini("LONGITUDE"), "E139:42:00");
  EXPECT_EQ(send(":St+35*40#"), "1");
  EXPECT_EQ(ini("LATITUDE"), "+35:40:00");
  EXPECT_EQ(send(":St -00*30*00#"), "1");
  EXPECT_EQ(ini("LATITUDE"), "-00:30:00");
  EXPECT_EQ(host.iniReads, 0);  // the site is applied with the time zone
  EXPECT_EQ(send(":SG -09.0#"), "1");
  EXPECT_EQ(ini("TIMEZONE"), "09");
  EXPECT_EQ(send(":SG +05.5#"), "1");
  EXPECT_EQ(ini("TIMEZONE"), "-06");
  EXPECT_EQ(send(":SG-9.0#"), "1");  // INDI: no blank, the sign is kept
  EXPECT_EQ(ini("TIMEZONE"), "09");
  EXPECT_EQ(host.iniReads, 3);
  EXPECT_EQ(send(":SL21:05:09#"), "1");
  EXPECT_EQ(send(":SC07/12/26#"), "1");
}

TEST_F(PlanetariumCommandTest, MalformedSiteCommandsWriteNothing) {
  for (const char* bad : {":Sg#", ":Sg 999*00*00#", ":Sgabc#", ":St+95*00#", ":St#", ":SG#", ":SG +99#", ":SGx#"})
    EXPECT_EQ(send(bad), "0") << bad;
  EXPECT_FALSE(QFile::exists(host.IniPath()));
  EXPECT_EQ(host.iniReads, 0);
}

TEST_F(PlanetariumCommandTest, ConnectionAndSlewQueries) {
  ManualClock clock(QDate(2026, 7, 12), 21 * 3600 + 5 * 60 + 9);
  ScopedClock pin(clock);
  host.shared.site.SiteLatitude = 128400;
  host.shared.site.SiteLongitude = 503040;
  host.shared.site.TimeZoneSeconds = 32400;
  host.shared.mount.TelState = 1;
  EXPECT_EQ(send(":Gc#"), "24#");
  EXPECT_EQ(send(":Gt#"), "+35*40#");
  EXPECT_EQ(send(":Gg#"), "-139*44#");
  EXPECT_EQ(send(":GG#"), "-09.0#");
  EXPECT_EQ(send(":GL#"), "21:05:09#");
  EXPECT_EQ(send(":GC#"), "07/12/26#");
  EXPECT_EQ(send(":GT#"), "60.1#");
  EXPECT_FALSE(send(":GM#").isEmpty());
  EXPECT_EQ(send(":D#"), "#");
  host.shared.mount.TelState = 2;
  EXPECT_EQ(send(":D#"), QString(QChar(0x7F)) + "#");
  for (const char* silent : {":U#", ":GW#", ":Gx#", "", "#", "hello"}) EXPECT_EQ(send(silent), "") << silent;
  EXPECT_TRUE(mount.calls.empty());
}

TEST_F(PlanetariumCommandTest, J2000FrameAnswersPrecessedPosition) {
  // Precession 2000 -> 2025 moves a star at 6 h, 0 deg by about 3.075 s a year in right
  // ascension and by nothing in declination: 76.9 s in all.
  ManualClock clock(QDate(2025, 1, 1), 0);
  ScopedClock pin(clock);
  sky().SkyMapEpoch = 2;
  host.shared.mount.TelRA = 21600;
  host.shared.mount.TelDec = 0;
  EXPECT_EQ(send(":GR#"), "05:58:43#");
  const QString dec = send(":GD#");
  EXPECT_TRUE(dec.mid(1) == QString("00") + kDeg + "00:00#" || dec.mid(1) == QString("00") + kDeg + "00:01#")
      << dec.toStdString();
}

TEST_F(PlanetariumCommandTest, AssistGivesTheJ2000Position) {
  ManualClock clock(QDate(2000, 1, 1), 0);  // both epochs equal: no precession
  ScopedClock pin(clock);
  host.shared.mount.TelRA = 45296.1234;
  host.shared.mount.TelDec = 128475.5;
  const QStringList parts = send("Assist").split(',');
  ASSERT_EQ(parts.size(), 2);
  EXPECT_NEAR(parts[0].toDouble(), 45296.1234, 1e-6);
  EXPECT_NEAR(parts[1].toDouble(), 128475.5, 1e-6);
}

}  // namespace
}  // namespace orvan
