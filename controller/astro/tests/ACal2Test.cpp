// Expected values are worked by hand from the formulas the controller uses (day count since
// 1899 Dec 31 12 h UT, the B1900 sidereal-time polynomial, the classical precession angles),
// and cross-checked for plausibility against ERFA 2.0 (Debian python3-erfa: gmst82, cal2jd,
// prec76, hd2ae, ae2hd). The ERFA figures are quoted beside each case.
#include "ACal2.h"
#include "Clock.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orvan {
namespace {

constexpr double kTruePi = 3.14159265358979323846;

// Tokyo: 139°44'30" E, 35°39'00" N, time zone +9 h.
constexpr int32_t kTokyoLon = 139 * 3600 + 44 * 60 + 30;
constexpr int32_t kTokyoLat = 35 * 3600 + 39 * 60;

class ACal2Test : public ::testing::Test {
 protected:
  ACal2Test() : clock(QDate(2024, 3, 15), 77400), scoped(clock), acal(site, mount) {
    setSite(kTokyoLon, kTokyoLat, 32400);
    mount.AxisRev = {864000, 1296000, 0, 0};  // 10 counts per second of time, 1 per arcsecond
  }
  void setSite(int32_t lon, int32_t lat, int32_t tz) {
    site.SiteLongitude = lon;
    site.SiteLatitude = lat;
    site.SiteLatitudeRadians = lat / (648000.0 / kTruePi);
    site.TimeZoneSeconds = tz;
  }

  SiteState site;
  MountState mount;
  ManualClock clock;
  ScopedClock scoped;
  ACal2 acal;
};

// Tokyo, 2024-03-15 21:30:00 local (12:30 UT). By hand: N = 45 364.5, G = 10 755 141.630,
// S = G + 503 070/15 - 32 400 x 1.00273791 -> 42 591 after rounding and reduction;
// 77 400 x 1.00273791 + 42 591 = 120 202.9 -> 33 803. ERFA gmst82 + longitude: 33 802.93.
constexpr int32_t kTokyoLst = 33803;

// ---- sidereal time ------------------------------------------------------------------------

TEST_F(ACal2Test, SiderealTimeAtGreenwichOn2000January1) {
  // Day count 36 524.5 (a January date counts as month 13 of 1999); G = 8 663 992.19 s,
  // 23 992.19 after reduction -> 23 992. ERFA gmst82 at 2000-01-01 0 h UT: 23 992.27 s.
  setSite(0, 0, 0);
  clock.set(QDate(2000, 1, 1), 0);
  EXPECT_EQ(acal.LocalSiderealTime(), 23992);
  EXPECT_EQ(acal.siderealMidnightCache().seconds, 23992.0);
  // One solar hour later: 3 600 x 1.00273791 + 23 992 = 27 601.86 -> 27 602 (ERFA 27 602.13).
  clock.set(QDate(2000, 1, 1), 3600);
  EXPECT_EQ(acal.LocalSiderealTime(), 27602);
}

TEST_F(ACal2Test, SiderealTimeForAnEasternSite) {
  EXPECT_EQ(acal.LocalSiderealTime(), kTokyoLst);
  EXPECT_EQ(acal.siderealMidnightCache().date, QDate(2024, 3, 15));
  EXPECT_EQ(acal.siderealMidnightCache().seconds, 42591.0);
}

TEST_F(ACal2Test, SiderealTimeWestOfGreenwichInFebruary) {
  // 118°14'37" W, time zone -8 h, 2023-02-10 22:00 local. By hand: February counts as month
  // 14 of 1922 (Y = 122), N = 44 965.5, G = 10 660 756.039; S = G - 425 677/15 + 28 800 x
  // 1.00273791 -> 34 056; 79 200 x 1.00273791 + 34 056 = 113 472.8 -> 27 073.
  // ERFA (2023-02-11 06:00 UT): 27 073.36.
  setSite(-(118 * 3600 + 14 * 60 + 37), 34 * 3600, -28800);
  clock.set(QDate(2023, 2, 10), 79200);
  EXPECT_EQ(acal.siderealMidnightCache().date, QDate());  // nothing computed before the first call
  EXPECT_EQ(acal.LocalSiderealTime(), 27073);
  EXPECT_EQ(acal.siderealMidnightCache().seconds, 34056.0);
}

TEST_F(ACal2Test, CacheFollowsTheDateAndTheSite) {
  clock.set(QDate(2024, 3, 15), 86399.5);
  // 86 399.5 x 1.00273791 + 42 591 = 129 227.05 -> 42 827 (ERFA 42 827.07).
  EXPECT_EQ(acal.LocalSiderealTime(), 42827);
  // A new longitude mid-day takes effect at once: 503 070 / 15 = 33 538 s less at midnight,
  // so 42 591 - 33 538 = 9 053 -> 86 399.5 x 1.00273791 + 9 053 = 95 689.05 -> 9 289.
  site.SiteLongitude = 0;
  EXPECT_EQ(acal.LocalSiderealTime(), 9289);
  // So does a new time zone: UT+0 moves local midnight nine hours later, 32 400 x 1.00273791
  // = 32 488.7 s of sidereal time: 9 053 + 32 489 -> 41 542 at midnight, 41 542 + 86 636.05
  // -> 41 778 (mod 86 400).
  site.TimeZoneSeconds = 0;
  EXPECT_EQ(acal.LocalSiderealTime(), 41778);
  site.TimeZoneSeconds = 32400;
  // The next date: 2024-03-16 at longitude 0: N = 45 365.5, G = 10 755 378.186,
  // S = G - 32 400 x 1.00273791 -> 9 289; 0.5 s later the sidereal time is 9 290 (rounded).
  clock.set(QDate(2024, 3, 16), 0.5);
  EXPECT_EQ(acal.LocalSiderealTime(), 9290);
  EXPECT_EQ(acal.siderealMidnightCache().date, QDate(2024, 3, 16));

  // Back at Tokyo, across midnight the count carries on instead of jumping:
  // 2024-03-16 midnight = 42 827, so 0.5 s after it reads 42 828 (ERFA 42 828.08).
  site.SiteLongitude = kTokyoLon;
  clock.set(QDate(2024, 3, 16), 0.5);
  EXPECT_EQ(acal.LocalSiderealTime(), 42828);
}

TEST_F(ACal2Test, SiderealTimeIsAlwaysAWholeSecondOfTheDay) {
  for (double s : {0.0, 0.4, 43199.9, 86000.0, 86399.999}) {
    clock.set(QDate(2024, 12, 31), s);
    const int32_t lst = acal.LocalSiderealTime();
    EXPECT_GE(lst, 0);
    EXPECT_LT(lst, 86400);
  }
  // A date before 1900 makes the polynomial negative; the value is still inside the day.
  clock.set(QDate(1850, 6, 1), 100);
  const int32_t old = acal.LocalSiderealTime();
  EXPECT_GE(old, 0);
  EXPECT_LT(old, 86400);
}

TEST(JulianDate, CalendarDates) {
  EXPECT_EQ(ACal2::JulianDateFromText("2000/01/01"), 2451544.5);
  // ERFA cal2jd: 2 460 369.5 and 2 460 476.5; leap day and a summer date.
  EXPECT_EQ(ACal2::JulianDateFromText("2024/02/29"), 2460369.5);
  EXPECT_EQ(ACal2::JulianDateFromText("2024/06/15"), 2460476.5);
  // First Gregorian day (ERFA 2 299 160.5) and the last Julian one before it.
  EXPECT_EQ(ACal2::JulianDateFromText("1582/10/15"), 2299160.5);
  EXPECT_EQ(ACal2::JulianDateFromText("1582/10/04"), 2299159.5);
  // Year 0 of the Julian calendar (Y = -1 after the January shift): 1 721 057.5.
  EXPECT_EQ(ACal2::JulianDateFromText("0000/01/01"), 1721057.5);
}

// ---- precession ---------------------------------------------------------------------------

TEST_F(ACal2Test, PrecessionToTheEquinoxOfDateAndBack) {
  clock.set(QDate(2024, 6, 15), 0);
  // Vega, J2000 18h36m56.336s +38°47'01.28". Worked through the classical angles from JD
  // 2 451 544.5 to 2 460 476.5: 67 065.6087 s, 139 700.7831". ERFA prec76 over the same
  // epochs: 67 065.6201 s, 139 700.8007".
  double ra = 0;
  double dec = 0;
  acal.PrecessRaDec(67016.336, 139621.28, ra, dec, "2000EOD");
  EXPECT_NEAR(ra, 67065.60869, 1e-4);
  EXPECT_NEAR(dec, 139700.78308, 1e-3);
  // Back to J2000 on the same day, in place (callers pass the same variables).
  acal.PrecessRaDec(ra, dec, ra, dec, "EOD2000");
  EXPECT_NEAR(ra, 67016.336, 1e-3);
  EXPECT_NEAR(dec, 139621.28, 1e-2);

  // Sirius, 06h45m08.917s -16°42'58.02": 24 374.4775 s, -60 275.0732" (ERFA 24 374.4924,
  // -60 275.0947).
  acal.PrecessRaDec(24308.917, -60178.02, ra, dec, "2000EOD");
  EXPECT_NEAR(ra, 24374.47749, 1e-4);
  EXPECT_NEAR(dec, -60275.07315, 1e-3);
}

TEST_F(ACal2Test, PrecessedRightAscensionStaysInsideTheDay) {
  clock.set(QDate(2024, 6, 15), 0);
  double ra = 0;
  double dec = 0;
  // 23h59m59s moves past 0 h: 74.1851 s, 490.0087" (ERFA 74.2022 s, 490.1160").
  acal.PrecessRaDec(86399, 0, ra, dec, "2000EOD");
  EXPECT_NEAR(ra, 74.18515, 1e-4);
  EXPECT_NEAR(dec, 490.00867, 1e-3);
  // And back: the angles give -1.000008 s, which is 86 398.999992.
  acal.PrecessRaDec(74.18514873192674, 490.00866725162587, ra, dec, "EOD2000");
  EXPECT_NEAR(ra, 86398.999992, 1e-5);
  EXPECT_LT(ra, 86400);

  // On 2000-01-01 both epochs coincide; 0 h comes back as 0 h, not 86 400 s.
  clock.set(QDate(2000, 1, 1), 0);
  acal.PrecessRaDec(0, 128475, ra, dec, "2000EOD");
  EXPECT_NEAR(dec, 128475, 1e-6);
  EXPECT_TRUE(ra < 1e-6 || ra > 86400 - 1e-6);
  EXPECT_LT(ra, 86400);
  EXPECT_EQ(ACal2::FormatRaText(ra), "00h00m00.0s");
}

TEST_F(ACal2Test, UnknownPrecessionDirectionChangesNothing) {
  clock.set(QDate(2024, 6, 15), 0);
  double ra = 0;
  double dec = 0;
  acal.PrecessRaDec(45296.1234, 128475.5, ra, dec, "2000eod");
  EXPECT_NEAR(ra, 45296.1234, 1e-6);
  EXPECT_NEAR(dec, 128475.5, 1e-6);
  // The J2000 pole lies theta = 490.0104" from the pole of date (ERFA prec76: 490.1177"),
  // and nothing turns into NaN on the way.
  acal.PrecessRaDec(12345, 324000, ra, dec, "2000EOD");
  EXPECT_TRUE(std::isfinite(ra));
  EXPECT_NEAR(dec, 323509.98960, 1e-3);
}

// ---- equatorial and horizontal ------------------------------------------------------------

TEST_F(ACal2Test, EquatorialToHorizontalOnTheMeridianAndAtSixHours) {
  double az = 0;
  double alt = 0;
  // On the meridian south of the zenith: azimuth pi, altitude 90 - 35.65 = 54.35 degrees.
  EXPECT_TRUE(acal.EquatorialToHorizontal(kTokyoLst, 0, az, alt));
  EXPECT_NEAR(az, kTruePi, 1e-8);
  EXPECT_NEAR(alt * 180 / kTruePi, 54.35, 1e-7);
  // Six hours west on the equator: due west (3pi/2) on the horizon.
  acal.EquatorialToHorizontal(kTokyoLst - 21600, 0, az, alt);
  EXPECT_NEAR(az, 1.5 * kTruePi, 1e-8);
  EXPECT_NEAR(alt, 0, 1e-8);
  // 60 degrees south on the meridian stays below the horizon (-5.65 degrees).
  EXPECT_FALSE(acal.EquatorialToHorizontal(kTokyoLst, -60 * 3600, az, alt));
  EXPECT_NEAR(alt * 180 / kTruePi, -5.65, 1e-7);
  // The horizon limit counts strictly.
  mount.HorizonLimit = -5.65 + 1e-6;
  EXPECT_FALSE(acal.EquatorialToHorizontal(kTokyoLst, -60 * 3600, az, alt));
  mount.HorizonLimit = -5.66;
  EXPECT_TRUE(acal.EquatorialToHorizontal(kTokyoLst, -60 * 3600, az, alt));
}

TEST_F(ACal2Test, EquatorialToHorizontalAgreesWithErfa) {
  double az = 0;
  double alt = 0;
  // H = +3 h, +20°: ERFA hd2ae gives az 4.549285603921863, el 0.8319976008592476.
  acal.EquatorialToHorizontal(kTokyoLst - 10800, 72000, az, alt);
  EXPECT_NEAR(az, 4.549285603921863, 1e-8);
  EXPECT_NEAR(alt, 0.8319976008592476, 1e-8);
  // H = -4.5 h, -10°: az 1.9482855757230235, el 0.20649807012187688.
  acal.EquatorialToHorizontal(kTokyoLst + 16200, -36000, az, alt);
  EXPECT_NEAR(az, 1.9482855757230235, 1e-8);
  EXPECT_NEAR(alt, 0.20649807012187688, 1e-8);
  // Doubles are rounded to whole seconds as they enter (ties to even): 33 802.5 is 33 802.
  double az2 = 0;
  double alt2 = 0;
  acal.EquatorialToHorizontal(33802.5, 72000.4, az, alt);
  acal.EquatorialToHorizontal(33802, 72000, az2, alt2);
  EXPECT_EQ(az, az2);
  EXPECT_EQ(alt, alt2);
}

TEST_F(ACal2Test, HorizontalToEquatorialAtTheZenithAndAgainstErfa) {
  double ra = 0;
  double dec = 0;
  acal.HorizontalToEquatorial(0, 90, ra, dec);
  EXPECT_NEAR(ra, kTokyoLst, 1e-6);
  EXPECT_NEAR(dec, kTokyoLat, 1e-6);
  acal.HorizontalToEquatorial(2, 90, ra, dec);
  EXPECT_NEAR(ra, kTokyoLst, 1e-6);
  EXPECT_NEAR(dec, kTokyoLat, 1e-6);
  // -130 degrees from south is 230 from south, 50 from north; altitude 40. ERFA ae2hd:
  // ha -1.1894002697011676 rad -> RA 50 158.4277 s; dec 182 820.1491".
  acal.HorizontalToEquatorial(-130, 40, ra, dec);
  EXPECT_NEAR(ra, 50158.4277, 1e-3);
  EXPECT_NEAR(dec, 182820.1491, 1e-3);
}

TEST_F(ACal2Test, HorizontalToEquatorialKeepsTheRightAscensionInsideTheDay) {
  // 10:22:00 local: 37 320 x 1.00273791 + 42 591 = 80 013.2 -> sidereal time 80 013.
  clock.set(QDate(2024, 3, 15), 37320);
  ASSERT_EQ(acal.LocalSiderealTime(), 80013);
  double ra = 0;
  double dec = 0;
  // Due east on the horizon is hour angle -6 h: 80 013 + 21 600 = 101 613, i.e. 15 213 s.
  acal.HorizontalToEquatorial(270, 0, ra, dec);
  EXPECT_NEAR(ra, 15213, 1e-4);
  EXPECT_NEAR(dec, 0, 1e-6);
  EXPECT_EQ(ACal2::FormatRaText(ra), "04h13m33.0s");
}

TEST_F(ACal2Test, HorizontalToEquatorialAtSixHoursNeverGivesNaN) {
  // Every object at hour angle +-6 h, worked with the textbook formulas; rounding pushes the
  // sine of the hour angle just past 1 for many of them.
  for (int latDeg = -80; latDeg <= 80; latDeg += 10) {
    setSite(kTokyoLon, latDeg * 3600, 32400);
    const double phi = latDeg * kTruePi / 180;
    for (int decDeg = -80; decDeg <= 80; decDeg += 5) {
      const double d = decDeg * kTruePi / 180;
      for (int sign : {-1, 1}) {
        const double H = sign * kTruePi / 2;
        const double alt = std::asin(std::sin(phi) * std::sin(d));
        const double azNorth = std::atan2(-std::cos(d) * std::sin(H),
                                          std::sin(d) * std::cos(phi) -
                                              std::cos(d) * std::cos(H) * std::sin(phi));
        double ra = 0;
        double dec = 0;
        acal.HorizontalToEquatorial(azNorth * 180 / kTruePi - 180, alt * 180 / kTruePi, ra, dec);
        SCOPED_TRACE(testing::Message() << "lat " << latDeg << " dec " << decDeg << " H " << sign);
        ASSERT_TRUE(std::isfinite(ra));
        ASSERT_TRUE(std::isfinite(dec));
        EXPECT_NEAR(dec, decDeg * 3600.0, 1e-3);
        const double expected = std::fmod(kTokyoLst - sign * 21600.0 + 86400, 86400);
        EXPECT_NEAR(ra, expected, 0.01);
      }
    }
  }
}

TEST_F(ACal2Test, HorizontalToEquatorialAtThePole) {
  // Seen from the north pole the zenith is the celestial pole: any right ascension is right,
  // the local sidereal time is the natural one.
  setSite(0, 324000, 0);
  clock.set(QDate(2000, 1, 1), 0);
  double ra = -1;
  double dec = 0;
  acal.HorizontalToEquatorial(0, 90, ra, dec);
  EXPECT_EQ(ra, 23992);
  EXPECT_NEAR(dec, 324000, 1e-3);
  EXPECT_LE(dec, 324000);
  // From Tokyo, due north at the latitude's altitude.
  setSite(kTokyoLon, kTokyoLat, 32400);
  acal.HorizontalToEquatorial(180, 35.65, ra, dec);
  EXPECT_TRUE(std::isfinite(ra));
  EXPECT_GE(ra, 0);
  EXPECT_LT(ra, 86400);
  EXPECT_NEAR(dec, 324000, 0.01);
}

TEST_F(ACal2Test, NoNaNOrOutOfRangeValueForInputsInRange) {
  double a = 0;
  double b = 0;
  for (int latDeg : {-90, -45, 0, 35, 89, 90}) {
    setSite(kTokyoLon, latDeg * 3600, 32400);
    for (double az = -360; az <= 360; az += 15) {
      for (double alt = -90; alt <= 90; alt += 15) {
        acal.HorizontalToEquatorial(az, alt, a, b);
        ASSERT_TRUE(std::isfinite(a) && std::isfinite(b)) << latDeg << " " << az << " " << alt;
        ASSERT_GE(a, 0);
        ASSERT_LT(a, 86400);
        ASSERT_LE(std::fabs(b), 324000);
      }
    }
    for (int ra = 0; ra <= 86400; ra += 1800) {
      for (int dec = -324000; dec <= 324000; dec += 27000) {
        acal.EquatorialToHorizontal(ra, dec, a, b);
        ASSERT_TRUE(std::isfinite(a) && std::isfinite(b)) << latDeg << " " << ra << " " << dec;
        ASSERT_GE(a, 0);
        ASSERT_LT(a, 2 * kTruePi);
        ASSERT_LE(std::fabs(b), kTruePi / 2 + 1e-9);
      }
    }
  }
  // The zenith itself: the sine of the altitude rounds to 1.
  setSite(kTokyoLon, kTokyoLat, 32400);
  acal.EquatorialToHorizontal(kTokyoLst, kTokyoLat, a, b);
  EXPECT_TRUE(std::isfinite(a));
  EXPECT_NEAR(b, kTruePi / 2, 1e-7);
  for (const char* dir : {"2000EOD", "EOD2000"}) {
    for (int ra = 0; ra <= 86400; ra += 3600) {
      for (int dec : {-324000, -323999, 0, 323999, 324000}) {
        acal.PrecessRaDec(ra, dec, a, b, dir);
        ASSERT_TRUE(std::isfinite(a) && std::isfinite(b));
        ASSERT_GE(a, 0);
        ASSERT_LT(a, 86400);
      }
    }
  }
}

TEST(Angles, FullCircleArctanAndArcSine) {
  const double pi = ACal2::kPi;
  EXPECT_NEAR(ACal2::FullCircleArctan(1, 1), pi / 4, 1e-14);
  EXPECT_NEAR(ACal2::FullCircleArctan(1, -1), 3 * pi / 4, 1e-14);
  EXPECT_NEAR(ACal2::FullCircleArctan(-1, -1), 5 * pi / 4, 1e-14);
  EXPECT_NEAR(ACal2::FullCircleArctan(-1, 1), 7 * pi / 4, 1e-14);
  EXPECT_EQ(ACal2::FullCircleArctan(0, 1), 6.28318530717959);  // 2pi, not 0
  EXPECT_NEAR(ACal2::FullCircleArctan(0, -1), pi, 1e-14);
  EXPECT_EQ(ACal2::FullCircleArctan(2, 0), 1.570796327);
  EXPECT_NEAR(ACal2::FullCircleArctan(-2, 0), 4.712388981, 1e-9);
  EXPECT_FALSE(std::isnan(ACal2::FullCircleArctan(0, 0)));

  EXPECT_NEAR(ACal2::ArcSine(0.5), kTruePi / 6, 1e-14);
  EXPECT_NEAR(ACal2::ArcSine(-0.5), -kTruePi / 6, 1e-14);
  EXPECT_EQ(ACal2::ArcSine(1), 1.570796327);
  EXPECT_EQ(ACal2::ArcSine(-1), -1.570796327);
  EXPECT_EQ(ACal2::ArcSine(1.0000000000000002), 1.570796327);
  EXPECT_EQ(ACal2::ArcSine(-1.0000000000000002), -1.570796327);
  EXPECT_EQ(ACal2::ArcSine(std::nan("")), 0);
}

// ---- axis counts --------------------------------------------------------------------------

class AxisTest : public ACal2Test {
 protected:
  struct Result {
    bool flag;
    int32_t t1, t2, m1, m2;
  };
  // Target at hour angle H (seconds) and declination D (arcsec) for the pinned sidereal time.
  Result at(int32_t H, int32_t D) {
    Result r{};
    r.flag = acal.TargetToAxisCounts(kTokyoLst - H, D, r.t1, r.t2, r.m1, r.m2);
    int32_t c1 = 0;
    int32_t c2 = 0;
    acal.TargetToAxisPosition(kTokyoLst - H, D, c1, c2);
    EXPECT_EQ(c1, r.t1);
    EXPECT_EQ(c2, r.t2);
    return r;
  }
};

TEST_F(AxisTest, GermanMountFlipsAtTheMeridian) {
  site.MountType = "G";
  Result r = at(0, 100000);  // on the meridian: stays west, no flip
  EXPECT_TRUE(r.flag);
  EXPECT_EQ(r.t1, 0);
  EXPECT_EQ(r.t2, 100000);
  r = at(-1, 100000);  // one second east: over the pole
  EXPECT_FALSE(r.flag);
  EXPECT_EQ(r.t1, 431990);  // (-1 + 43 200) x 10
  EXPECT_EQ(r.t2, 548000);  // 648 000 - 100 000
  r = at(43199, 100000);
  EXPECT_TRUE(r.flag);
  EXPECT_EQ(r.t1, 431990);
  // +12 h is counted as -12 h, which flips to 0 h over the pole.
  r = at(43200, 100000);
  EXPECT_FALSE(r.flag);
  EXPECT_EQ(r.t1, 0);
  EXPECT_EQ(r.t2, 548000);
  r = at(-43200, -50000);
  EXPECT_FALSE(r.flag);
  EXPECT_EQ(r.t1, 0);
  EXPECT_EQ(r.t2, 698000);
}

TEST_F(AxisTest, ForkMountFlipsBeyondSixHours) {
  site.MountType = "F";
  Result r = at(21599, 100000);
  EXPECT_FALSE(r.flag);
  EXPECT_EQ(r.t1, 215990);
  EXPECT_EQ(r.t2, 100000);
  r = at(21600, 100000);
  EXPECT_EQ(r.t1, -216000);
  EXPECT_EQ(r.t2, 548000);
  r = at(-21600, 100000);
  EXPECT_EQ(r.t1, 216000);
  EXPECT_EQ(r.t2, 548000);
  r = at(-21599, 100000);
  EXPECT_EQ(r.t1, -215990);
  EXPECT_EQ(r.t2, 100000);
  r = at(43199, 0);
  EXPECT_FALSE(r.flag);
  EXPECT_EQ(r.t1, -10);
  EXPECT_EQ(r.t2, 648000);
  // Any other mount type crosses no pole.
  for (const char* type : {"FS", "", "g"}) {
    site.MountType = type;
    r = at(-30000, 100000);
    EXPECT_FALSE(r.flag);
    EXPECT_EQ(r.t1, -300000);
    EXPECT_EQ(r.t2, 100000);
  }
}

TEST_F(AxisTest, CountsRoundToEvenAndMovesWrapAQuarterTurn) {
  site.MountType = "FS";
  mount.AxisRev = {43200, 648000, 0, 0};  // half a count per second and per arcsecond
  EXPECT_EQ(at(5, 7).t1, 2);   // 2.5 -> 2
  EXPECT_EQ(at(3, 7).t1, 2);   // 1.5 -> 2
  EXPECT_EQ(at(-5, 7).t1, -2);
  EXPECT_EQ(at(0, 7).t2, 4);   // 3.5 -> 4
  EXPECT_EQ(at(0, 9).t2, 4);   // 4.5 -> 4

  mount.AxisRev = {864000, -1296000, 0, 0};
  mount.AxisPos = {-216001, 100, 0, 0};
  Result r = at(0, 1000);
  // -216 001 is more than a quarter turn negative: counted as 647 999.
  EXPECT_EQ(r.m1, 647999);
  // A negative count per turn wraps the other way: -(-1 296 000)/4 > 100, so 100 - 1 296 000.
  EXPECT_EQ(r.t2, 1000);
  EXPECT_EQ(r.m2, 100 - 1296000 - 1000);
  mount.AxisPos = {-216000, 0, 0, 0};
  EXPECT_EQ(at(0, 0).m1, -216000);
}

TEST_F(AxisTest, DoubleTargetsAreRoundedLikeWholeSeconds) {
  site.MountType = "G";
  int32_t t1 = 0, t2 = 0, m1 = 0, m2 = 0;
  // 33 802.5 rounds to 33 802 (ties to even): hour angle +1 s, no flip.
  EXPECT_TRUE(acal.TargetToAxisCounts(33802.5, 100.5, t1, t2, m1, m2));
  EXPECT_EQ(t1, 10);
  EXPECT_EQ(t2, 100);
  // 33 803.5 rounds to 33 804: hour angle -1 s, flipped.
  EXPECT_FALSE(acal.TargetToAxisCounts(33803.5, 0, t1, t2, m1, m2));
}

class CountsToSkyTest : public ACal2Test {
 protected:
  void counts(int32_t ha, int32_t dec) {
    mount.AxisPos = {ha, dec, 0, 0};
    acal.AxisCountsToEquatorial();
  }
};

TEST_F(CountsToSkyTest, DeclinationAxisRanges) {
  site.MountType = "G";
  struct Row {
    int32_t Dd;
    double D;
    bool flipped;
  };
  const Row rows[] = {
      {0, 0, false},          {324000, 324000, false},   {324001, 323999, true},
      {648000, 0, true},      {972000, -324000, true},   {972001, -323999, false},
      {1296000, 0, false},    {-324000, -324000, false}, {-324001, -323999, true},
      {-972000, 324000, true}, {-972001, 323999, false}, {-1296000, 0, false},
      {1296001, 0, false},    {-1296001, 0, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Dd);
    counts(0, row.Dd);
    const double ra = row.flipped ? kTokyoLst + 43200 : kTokyoLst;  // 77 003 or 33 803
    EXPECT_EQ(mount.TelRA, ra);
    EXPECT_EQ(mount.TelDec, row.D);
    EXPECT_EQ(mount.TelStatus[2], QString::number(ra, 'f', 0));
    EXPECT_EQ(mount.TelStatus[3], QString::number(row.D, 'f', 0));
  }
  counts(0, -324001);
  EXPECT_EQ(mount.TelStatus[3], "-323999");
}

TEST_F(CountsToSkyTest, AxisLimitsAndMeridianSide) {
  site.MountType = "G";
  counts(432010, 0);  // 43 201 s
  EXPECT_TRUE(mount.AxisLimitPlus);
  EXPECT_FALSE(mount.AxisLimitMinus);
  EXPECT_EQ(mount.TelStatus[14], "1");
  EXPECT_EQ(mount.TelRA, 77002);  // 33 803 - 43 201 + 86 400
  counts(432000, 0);
  EXPECT_FALSE(mount.AxisLimitPlus);
  EXPECT_FALSE(mount.AxisLimitMinus);
  EXPECT_EQ(mount.TelStatus[14], "0");
  EXPECT_TRUE(mount.TargetWestOfMeridian);  // exactly 12 h west
  counts(-10, 0);  // -1 s: east of the meridian
  EXPECT_TRUE(mount.AxisLimitMinus);
  EXPECT_FALSE(mount.TargetWestOfMeridian);
  EXPECT_EQ(mount.TelRA, 33804);
  counts(0, 0);
  EXPECT_TRUE(mount.TargetWestOfMeridian);

  site.MountType = "F";
  counts(216010, 0);
  EXPECT_TRUE(mount.AxisLimitPlus);
  counts(216000, 0);
  EXPECT_FALSE(mount.AxisLimitPlus || mount.AxisLimitMinus);
  counts(-216000, 0);
  EXPECT_FALSE(mount.AxisLimitPlus || mount.AxisLimitMinus);
  counts(-216010, 0);
  EXPECT_TRUE(mount.AxisLimitMinus);
  EXPECT_EQ(mount.TelStatus[14], "1");

  site.MountType = "FS";
  counts(-864000, 0);
  EXPECT_FALSE(mount.AxisLimitPlus || mount.AxisLimitMinus);
  EXPECT_EQ(mount.TelRA, 33803);  // a whole turn later
}

TEST_F(CountsToSkyTest, RoundingZeroCountsAndRange) {
  site.MountType = "G";
  mount.AxisRev = {172800, 0, 0, 0};  // two counts per second; no declination scale
  counts(1, 999);  // 0.5 s -> 0
  EXPECT_EQ(mount.TelRA, kTokyoLst);
  EXPECT_EQ(mount.TelDec, 0);
  counts(3, 0);  // 1.5 s -> 2
  EXPECT_EQ(mount.TelRA, kTokyoLst - 2);
  mount.AxisRev = {864000, 1296000, 0, 0};
  for (int32_t ha : {-2000000000, -864000, 339000, 864000, 2000000000}) {
    counts(ha, 0);
    EXPECT_GE(mount.TelRA, 0);
    EXPECT_LT(mount.TelRA, 86400);
  }
}

// ---- texts --------------------------------------------------------------------------------

TEST(Texts, RightAscensionAndSiderealTime) {
  EXPECT_EQ(ACal2::FormatRaText(45296.75), "12h34m56.8s");
  EXPECT_EQ(ACal2::FormatRaText(45296.96), "12h34m57.0s");
  EXPECT_EQ(ACal2::FormatRaText(0), "00h00m00.0s");
  EXPECT_EQ(ACal2::FormatRaText(18753.4), "05h12m33.4s");
  // Never 24h: the last twentieth of a second of the day and anything past it wrap.
  EXPECT_EQ(ACal2::FormatRaText(86399.96), "00h00m00.0s");
  EXPECT_EQ(ACal2::FormatRaText(86400), "00h00m00.0s");
  EXPECT_EQ(ACal2::FormatRaText(86400.04), "00h00m00.0s");
  EXPECT_EQ(ACal2::FormatRaText(-0.3), "23h59m59.7s");
  EXPECT_EQ(ACal2::FormatRaText(std::nan("")), "00h00m00.0s");

  EXPECT_EQ(ACal2::FormatSiderealText(18753), "05h12m33s");
  EXPECT_EQ(ACal2::FormatSiderealText(45296.5), "12h34m56s");  // ties to even
  EXPECT_EQ(ACal2::FormatSiderealText(45297.5), "12h34m58s");
  EXPECT_EQ(ACal2::FormatSiderealText(86399.6), "00h00m00s");
}

TEST(Texts, Declination) {
  const QString deg = QString(QChar(0x309C));
  EXPECT_EQ(ACal2::FormatDecText(-1), "-00" + deg + "00' 01\"");
  EXPECT_EQ(ACal2::FormatDecText(324000), "+90" + deg + "00' 00\"");
  EXPECT_EQ(ACal2::FormatDecText(128405), "+35" + deg + "40' 05\"");
  EXPECT_EQ(ACal2::FormatDecText(-0.4), "-00" + deg + "00' 00\"");
  EXPECT_EQ(ACal2::FormatDecText(0), "+00" + deg + "00' 00\"");
  EXPECT_EQ(ACal2::FormatDecText(128475.5), "+35" + deg + "41' 16\"");  // ties to even
  EXPECT_EQ(ACal2::FormatDecText(128476.5), "+35" + deg + "41' 16\"");
  EXPECT_EQ(ACal2::FormatDecText(-360000), "-100" + deg + "00' 00\"");
}

TEST_F(ACal2Test, ParseTargetText) {
  double ra = 0;
  double dec = 0;
  // The sign right after the seconds.
  acal.ParseTargetText("(12:34:56+12:34:56)", ra, dec);
  EXPECT_EQ(ra, 45296);
  EXPECT_EQ(dec, 45296);
  acal.ParseTargetText("(12:34:56-12:34:56)", ra, dec);
  EXPECT_EQ(dec, -45296);
  acal.ParseTargetText("(12:34:56 12:34:56)", ra, dec);
  EXPECT_EQ(dec, 45296);
  // The observatory program writes a blank before the sign.
  acal.ParseTargetText("150,0,0,(05:34:32 +22:00:52),M1", ra, dec);
  EXPECT_EQ(ra, 5 * 3600 + 34 * 60 + 32);
  EXPECT_EQ(dec, 22 * 3600 + 52);
  acal.ParseTargetText("(05:34:32 -22:00:52)", ra, dec);
  EXPECT_EQ(dec, -(22 * 3600 + 52));
  // Without "(" the fields are read from the start with the same places.
  acal.ParseTargetText("01 02 03-04 05 06", ra, dec);
  EXPECT_EQ(ra, 3723);
  EXPECT_EQ(dec, -14706);
  // 24 h is 0 h; unreadable fields read as 0 and nothing breaks.
  acal.ParseTargetText("(24:00:00+00:00:00)", ra, dec);
  EXPECT_EQ(ra, 0);
  acal.ParseTargetText("(", ra, dec);
  EXPECT_EQ(ra, 0);
  EXPECT_EQ(dec, 0);
  acal.ParseTargetText("", ra, dec);
  EXPECT_EQ(ra, 0);
  acal.ParseTargetText("(ab:c1:+2 x9", ra, dec);
  EXPECT_EQ(ra, 2);
}

TEST_F(ACal2Test, ParseTargetTextTellsWhetherTheTargetIsUp) {
  double ra = 0;
  double dec = 0;
  // 33 803 s is 09:23:23: on the meridian, 74.35 degrees up.
  EXPECT_TRUE(acal.ParseTargetText("(09:23:23 +20:00:00)", ra, dec));
  // 60 degrees south on the meridian: -5.65 degrees.
  EXPECT_FALSE(acal.ParseTargetText("(09:23:23 -60:00:00)", ra, dec));
  // 12 hours away and north of the pole's altitude: still up (circumpolar).
  EXPECT_TRUE(acal.ParseTargetText("(21:23:23+60:00:00)", ra, dec));
}

}  // namespace
}  // namespace orvan
