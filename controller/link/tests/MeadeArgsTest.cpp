// The set-command arguments, the settings texts they become and the query replies, worked by
// hand from the Meade command forms.
#include "MeadeArgs.h"
#include "MeadeReplies.h"
#include "SiteTexts.h"

#include <gtest/gtest.h>

namespace orvan::meade {
namespace {

TEST(MeadeArgs, ArgumentIsReadFromTheCommandWithOrWithoutTheBlank) {
  EXPECT_EQ(ArgumentAt(":Sr 05:12:33#", 3), "05:12:33");
  EXPECT_EQ(ArgumentAt(":Sr05:12:33#", 3), "05:12:33");
  EXPECT_EQ(ArgumentAt("Sr06:46:22#", 2), "06:46:22");
  EXPECT_EQ(ArgumentAt(":Sd -05*10:20", 3), "-05*10:20");
  EXPECT_EQ(ArgumentAt(":Sr#", 3), "");
}

TEST(MeadeArgs, RightAscensionInLongAndShortForm) {
  EXPECT_EQ(ParseRa("05:12:33"), 18753.0);
  EXPECT_EQ(ParseRa("23:59:59"), 86399.0);
  EXPECT_EQ(ParseRa("12:34.5"), 45270.0);  // tenths of a minute: 6 s each
  EXPECT_EQ(ParseRa("00:00:00"), 0.0);
  EXPECT_DOUBLE_EQ(*ParseRa("01:02:03.5"), 3723.5);
  for (const char* bad : {"", "24:00:00", "12:60:00", "12:00:60", "12", "12:", "1a:00:00", "-01:00:00",
                          "12:00:00x", "12:00:00:00", "123:00:00", "12:34.5:10", "12*34*56junk"})
    EXPECT_FALSE(ParseRa(bad)) << bad;
}

TEST(MeadeArgs, DeclinationKeepsItsSignWhateverTheSeparator) {
  EXPECT_EQ(ParseDec("-05*10:20"), -18620.0);
  EXPECT_EQ(ParseDec("+20*15:00"), 72900.0);
  EXPECT_EQ(ParseDec(QString("-16") + QChar(0xFF9F) + "45:09"), -60309.0);  // the 0xDF byte
  EXPECT_EQ(ParseDec("-00*30:00"), -1800.0);  // the sign of a zero degree field counts
  EXPECT_EQ(ParseDec("+45*30"), 163800.0);    // short form, no seconds
  EXPECT_EQ(ParseDec("12:34:56"), 45296.0);   // no sign: north
  EXPECT_EQ(ParseDec("+90*00:00"), 324000.0);
  for (const char* bad : {"", "+91*00:00", "+90*00:01", "+12*60:00", "+12", "++12*00:00", "+12*00:00:00", "+1x*00"})
    EXPECT_FALSE(ParseDec(bad)) << bad;
}

TEST(MeadeArgs, SiteLongitudeLatitudeAndZone) {
  EXPECT_EQ(ParseLongitude("220*16*00"), 792960.0);
  EXPECT_EQ(ParseLongitude("-139*42"), -502920.0);
  EXPECT_EQ(ParseLongitude("+070*40:00"), 254400.0);
  EXPECT_FALSE(ParseLongitude("361*00"));
  EXPECT_FALSE(ParseLongitude("1000*00"));
  EXPECT_EQ(ParseLatitude("+35*40"), 128400.0);
  EXPECT_EQ(ParseLatitude("-33*52*10"), -121930.0);
  EXPECT_FALSE(ParseLatitude("+95*00"));
  EXPECT_EQ(ParseUtcOffset("-09.0"), -9.0);
  EXPECT_EQ(ParseUtcOffset("-9.0"), -9.0);
  EXPECT_EQ(ParseUtcOffset("+05.5"), 5.5);
  EXPECT_EQ(ParseUtcOffset("5"), 5.0);
  for (const char* bad : {"", "+", "15", "-09.0x", "--9", "9.", "abc"}) EXPECT_FALSE(ParseUtcOffset(bad)) << bad;
}

TEST(SiteTexts, KeepTheCharacterPositionsTheSettingsLoadReads) {
  EXPECT_EQ(LongitudeText(792960), "E139:44:00");   // 220 deg 16' west is 139 deg 44' east
  EXPECT_EQ(LongitudeText(503040), "W139:44:00");
  EXPECT_EQ(LongitudeText(-502920), "E139:42:00");  // east sent with a minus sign
  EXPECT_EQ(LongitudeText(254400), "W070:40:00");
  EXPECT_EQ(LongitudeText(648000), "W180:00:00");
  EXPECT_EQ(LongitudeText(648001), "E179:59:59");
  EXPECT_EQ(LatitudeText(128400), "+35:40:00");
  EXPECT_EQ(LatitudeText(-1800), "-00:30:00");
  EXPECT_EQ(LatitudeText(-121930), "-33:52:10");
  EXPECT_EQ(TimeZoneText(-9.0), "09");
  EXPECT_EQ(TimeZoneText(5.5), "-5.5");  // half and quarter hours are kept
  EXPECT_EQ(TimeZoneText(-4.5), "4.5");
  EXPECT_EQ(TimeZoneText(-5.8), "5.75");   // to the nearest quarter hour
  EXPECT_EQ(TimeZoneText(5.125), "-05");   // ties to even
  EXPECT_EQ(TimeZoneText(0.1), "00");      // no "-00"
  EXPECT_EQ(TimeZoneText(0), "00");
}

TEST(MeadeReplies, PositionTexts) {
  EXPECT_EQ(RaReply(45296), "12:34:56#");
  EXPECT_EQ(RaReply(86399.7), "00:00:00#");  // rounds into the next day, not "24"
  EXPECT_EQ(DecReply(-18620), QString("-05") + QChar(0xFF9F) + "10:20#");
  EXPECT_EQ(DecReply(324000), QString("+90") + QChar(0xFF9F) + "00:00#");
  EXPECT_EQ(DecReply(0), QString("+00") + QChar(0xFF9F) + "00:00#");
}

TEST(MeadeReplies, SiteAndClockQueries) {
  EXPECT_EQ(LatitudeReply(128400), "+35*40#");
  EXPECT_EQ(LatitudeReply(-121930), "-33*52#");
  EXPECT_EQ(LongitudeReply(503040), "-139*44#");   // east is negative, counted westward
  EXPECT_EQ(LongitudeReply(-254400), "+070*40#");
  EXPECT_EQ(UtcOffsetReply(32400), "-09.0#");
  EXPECT_EQ(UtcOffsetReply(-18000), "+05.0#");
  EXPECT_EQ(LocalTimeReply(21 * 3600 + 5 * 60 + 9.7), "21:05:09#");
  EXPECT_EQ(DateReply(QDate(2026, 7, 12)), "07/12/26#");
  EXPECT_EQ(DistanceBarReply(2), QString(QChar(0x7F)) + "#");
  EXPECT_EQ(DistanceBarReply(1), "#");
  EXPECT_EQ(TrackingRateReply(1), "60.1#");
}

}  // namespace
}  // namespace orvan::meade
