// The LX200 dialogue as planetarium programs hold it: the spaced one-command layout of older
// programs, the standard Meade forms of INDI and the combined writes of Stellarium; and what
// it must never do with anything else.
#include "PlanetariumCommand.h"

#include "Clock.h"
#include "FakeLinkHost.h"
#include "FakeMountDriver.h"
#include "IniFile.h"
#include "Vb.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using orvan::test::FakeMountDriver;

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
  // Pipelined queries: every one answered, in order.
  EXPECT_EQ(send(":GR#:GD#"), QString("12:34:56#-05") + kDeg + "10:20#");
  EXPECT_EQ(send("#:GD##:GR#"), QString("-05") + kDeg + "10:20#12:34:56#");
}

TEST_F(PlanetariumCommandTest, FirmwareAndSiderealTimeQueries) {
  EXPECT_EQ(send(":GVN#"), "2.40#");
  EXPECT_EQ(send(":GVP#"), "2.40#");
  EXPECT_TRUE(QRegularExpression("^(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-3]\\d \\d{4}#$")
                  .match(send(":GVD#")).hasMatch())
      << send(":GVD#").toStdString();
  EXPECT_TRUE(QRegularExpression("^[0-2]\\d:[0-5]\\d:[0-5]\\d#$").match(send(":GVT#")).hasMatch());
  const QString full = send(":GVF#");
  EXPECT_TRUE(full.endsWith('#') && full.count('#') == 1 && full.contains("2.40")) << full.toStdString();

  // Local sidereal time at the site: 2000-01-01 0h UT at Greenwich is 6h 39m 52s, and 139 deg
  // 44 min east adds 9h 18m 56s.
  ManualClock clock(QDate(2000, 1, 1), 9 * 3600);
  ScopedClock pin(clock);
  host.shared.site.SiteLongitude = 503040;
  host.shared.site.TimeZoneSeconds = 32400;
  const QString lst = send(":GS#");
  ASSERT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d#$").match(lst).hasMatch()) << lst.toStdString();
  const int seconds = lst.left(2).toInt() * 3600 + lst.mid(3, 2).toInt() * 60 + lst.mid(6, 2).toInt();
  EXPECT_NEAR(seconds, 6 * 3600 + 39 * 60 + 52 + 9 * 3600 + 18 * 60 + 56, 60) << lst.toStdString();
}

TEST_F(PlanetariumCommandTest, SpacedLayoutSetsTheTarget) {
  EXPECT_EQ(send(":Sr 05:12:33#"), "1");
  EXPECT_EQ(sky().TargetRA, 18753);
  EXPECT_EQ(send(":Sd -05*10:20#"), "1");
  EXPECT_EQ(sky().TargetDec, -18620);
  EXPECT_TRUE(mount.made.empty());
}

TEST_F(PlanetariumCommandTest, BothLayoutsGiveTheSameGotoTarget) {
  const std::vector<QStringList> layouts = {
      {":Sr 05:30:00#", ":Sd +20*15:00#", ":MS#"},         // older programs
      {":Sr05:30:00#", ":Sd+20*15:00#", ":MS#"},           // INDI
      {"#:Q#:Sr05:30:00#", QString(":Sd+20") + kDeg + "15:00#", ":MS#"},  // Stellarium
  };
  for (const QStringList& writes : layouts) {
    mount.made.clear();
    sky().TargetRA = sky().TargetDec = 0;
    EXPECT_EQ(send(writes[0]).back(), u'1') << writes[0].toStdString();
    EXPECT_EQ(send(writes[1]), "1") << writes[1].toStdString();
    EXPECT_EQ(send(writes[2]), "0");
    ASSERT_FALSE(mount.made.empty());
    const auto& go = mount.made.back();
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
  // Two commands, two replies; Stellarium skips the stop's '#' before the set reply.
  EXPECT_EQ(send("#:Q#:Sr06:46:22#"), "#1");
  EXPECT_EQ(sky().TargetRA, 24382);
  ASSERT_EQ(mount.made.size(), 1u);
  EXPECT_EQ(mount.made[0].op, "cmdMove");
  EXPECT_EQ(mount.made[0].text, "");
  EXPECT_EQ(mount.made[0].speed, 9);
  EXPECT_EQ(send(QString(":Sd-16") + kDeg + "45:09#"), "1");
  EXPECT_EQ(sky().TargetDec, -60309);
}

TEST_F(PlanetariumCommandTest, MalformedSetIsRefusedAndEndsTheText) {
  sky().TargetRA = 100;
  sky().TargetDec = 200;
  EXPECT_EQ(send(":Sr#"), "0");
  EXPECT_EQ(send(":Sr 25:00:00#"), "0");
  // The Dec is set, the RA refused: a goto or sync after it would run on a half-set target.
  EXPECT_EQ(send(":Sd +12*34#:Sr 99:00:00#:MS#"), "101Target Not Set#");
  EXPECT_EQ(send(":CM#"), "");
  EXPECT_EQ(sky().TargetRA, 100);
  EXPECT_EQ(sky().TargetDec, 45240);
  EXPECT_TRUE(mount.made.empty());
  EXPECT_EQ(send(":Sr05:00:00#:MS#"), "10");  // a good RA makes the target whole again
  EXPECT_EQ(mount.ops(), QStringList({"cmdGoto"}));
}

TEST_F(PlanetariumCommandTest, GotoAndSyncPassCopiesInTheConfiguredFrame) {
  sky().SkyMapEpoch = 2;
  sky().TargetRA = 1000;
  sky().TargetDec = 2000;
  mount.convertBy = 55;  // the driver writes back its equinox-of-date values
  EXPECT_EQ(send(":MS#"), "0");
  EXPECT_EQ(send(":CM#"), "#");
  ASSERT_EQ(mount.ops(), QStringList({"cmdGoto", "cmdSync"}));
  for (const auto& c : mount.made) {
    EXPECT_EQ(c.text, "2000");
    EXPECT_EQ(c.ra, 1000);
  }
  EXPECT_EQ(sky().TargetRA, 1000);
  EXPECT_EQ(sky().TargetDec, 2000);
  EXPECT_EQ(host.shared.mount.GotoEpoch, "2000");
}

TEST_F(PlanetariumCommandTest, RefusedGotoIsReportedTheMeadeWay) {
  host.shared.mount.GotoRA = 111;
  host.shared.mount.GotoDec = 222;
  host.shared.mount.GotoEpoch = "EOD";
  mount.gotoAnswer = false;
  EXPECT_EQ(send(":Sr 05:12:33#"), "1");
  EXPECT_EQ(send(":MS#"), "1Object Below Horizon#");  // the controller refused it itself
  // The last goto's target stays what it was.
  EXPECT_EQ(host.shared.mount.GotoRA, 111);
  EXPECT_EQ(host.shared.mount.GotoDec, 222);
  EXPECT_EQ(host.shared.mount.GotoEpoch, "EOD");
  mount.refusalWords = "Slew#Limit\x01 Reached";      // the mount's own words, made one reply
  EXPECT_EQ(send(":MS#"), "1SlewLimit Reached#");
  host.telescope = nullptr;  // no mount bound: refused as well, nothing crashes
  EXPECT_EQ(send(":MS#"), "1Object Below Horizon#");
}

TEST_F(PlanetariumCommandTest, RefusedSyncIsNeverAnsweredAsDone) {
  mount.syncAnswer = false;
  EXPECT_EQ(send(":CM#"), "");
  host.telescope = nullptr;
  EXPECT_EQ(send(":CM#"), "");
  host.telescope = &mount;
  mount.syncAnswer = true;
  EXPECT_EQ(send(":CM#"), "#");
}

TEST_F(PlanetariumCommandTest, HandMotionFollowsTheChosenRate) {
  // The driver takes the hand controller's letters, whose east and west it crosses on the
  // way to the mount: a planetarium's west goes in as the handset's "E" (which sends ":Mw#").
  EXPECT_EQ(send(":Mn#"), "");
  EXPECT_EQ(send(":RG#"), "");
  EXPECT_EQ(send(":Mw#"), "");
  EXPECT_EQ(send(":RS#"), "");
  EXPECT_EQ(send(":Me#"), "");
  EXPECT_EQ(send(":Ms#"), "");
  EXPECT_EQ(send(":Qn#"), "");  // one stop, north only
  EXPECT_EQ(send(":Qw#:Qe#:Qs#"), "");
  EXPECT_EQ(send(":Q#"), "#");
  const std::vector<std::pair<QString, int>> expected = {{"N", 2},  // no rate chosen yet: the middle one
                                                         {"E", 1}, {"W", 3}, {"S", 3}, {"N", 9},
                                                         {"E", 9}, {"W", 9}, {"S", 9}, {"", 9}};
  ASSERT_EQ(mount.made.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(mount.made[i].op, "cmdMove") << i;
    EXPECT_EQ(mount.made[i].text, expected[i].first) << i;
    EXPECT_EQ(mount.made[i].speed, expected[i].second) << i;
  }
}

TEST_F(PlanetariumCommandTest, OnlyWholeCommandsByTheirExactNameAct) {
  sky().TargetRA = 19800;
  sky().TargetDec = 72900;
  // Each of these holds a command's letters somewhere, but is not that command.
  const char* noise[] = {"xx:MS#", ":MSx#", ":ms#", ":Q #", "::Q#", ":GRGD#", "Q#", "MS#", ":Mw", ":Mwe#",
                         ":CMD#", ":Qnx#", ":RSx#", "abc:hP#", ":hPark#", ":TQQ#", ":Sx05:30:00#", ":sr05:30:00#",
                         ":T000.001#", ":Q\x01#", ":GR\r#", "\x06\x06", "Assist#", ":Assist#"};
  for (const char* n : noise) {
    const QString reply = send(QString::fromLatin1(n));
    EXPECT_TRUE(reply.isEmpty() || reply == "PP") << n << " -> " << reply.toStdString();
  }
  EXPECT_TRUE(mount.made.empty()) << mount.ops().join(' ').toStdString();
  EXPECT_TRUE(host.missions.empty());
  EXPECT_EQ(sky().MoveRate, 0);
  EXPECT_FALSE(QFile::exists(host.IniPath()));
  EXPECT_EQ(host.iniReads, 0);
  // A command after noise in the same write still counts: the noise ends at its own '#'.
  EXPECT_EQ(send("garbage#:GR#"), "00:00:00#");
  // Blanks or line ends between commands are not part of them.
  EXPECT_EQ(send("\r\n:GR#"), "00:00:00#");
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
  EXPECT_EQ(send(":ST60.1#"), "0");
  EXPECT_EQ(mount.ops(), QStringList({"cmdStop"}));
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
  EXPECT_EQ(host.iniReads, 5);  // each site change is loaded at once
  EXPECT_EQ(send(":SG -09.0#"), "1");
  EXPECT_EQ(ini("TIMEZONE"), "09");
  EXPECT_EQ(send(":SG+05.0#"), "1");
  EXPECT_EQ(ini("TIMEZONE"), "-05");
  EXPECT_EQ(send(":SG-9.0#"), "1");  // INDI: no blank, the sign is kept
  EXPECT_EQ(ini("TIMEZONE"), "09");
  EXPECT_EQ(send(":SG+00.0#"), "1");
  EXPECT_EQ(ini("TIMEZONE"), "00");
  EXPECT_EQ(host.iniReads, 9);
  // Half and quarter hour zones are kept, in a text the settings load reads back exactly.
  const std::vector<std::pair<const char*, const char*>> zones = {
      {":SG+05.5#", "-5.5"}, {":SG -05.5#", "5.5"},  {":SG-09.5#", "9.5"},   {":SG+03.5#", "-3.5"},
      {":SG-05.75#", "5.75"}, {":SG-5.8#", "5.75"},  // INDI rounds Nepal's 5.75 to 5.8
      {":SG-12.75#", "12.75"}, {":SG+09.25#", "-9.25"}};
  for (const auto& [command, zone] : zones) {
    EXPECT_EQ(send(command), "1") << command;
    EXPECT_EQ(ini("TIMEZONE"), zone) << command;
    EXPECT_EQ(vb::Val(ini("TIMEZONE")) * 3600, QString(zone).toDouble() * 3600) << command;
  }
  EXPECT_EQ(send(":SL21:05:09#"), "1");
  EXPECT_EQ(send(":SC07/12/26#"), "1");
  EXPECT_EQ(send(":SL25:05:09#"), "0");
  EXPECT_EQ(send(":SC13/45/26#"), "0");
}

TEST_F(PlanetariumCommandTest, MalformedSiteCommandsWriteNothing) {
  for (const char* bad : {":Sg#", ":Sg 999*00*00#", ":Sgabc#", ":St+95*00#", ":St#", ":SG#", ":SG +99#", ":SGx#",
                          ":Sg 139*44*00x#", ":St+35*40"})
    EXPECT_TRUE(send(bad) == "0" || send(bad).isEmpty()) << bad;
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
  EXPECT_TRUE(mount.made.empty());
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
