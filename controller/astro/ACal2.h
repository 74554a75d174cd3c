#pragma once
// ACal2: every astronomical calculation of the controller: time and sidereal time, the
// coordinate transforms and the angle and time texts.
//
// Units, used by every caller:
//   right ascension, hour angle, sidereal time  seconds of time (86 400 per turn)
//   declination, latitude, longitude            seconds of arc (1 296 000 per turn)
//   altitude/azimuth returned by the transforms radians; passed in to HorizontalToEquatorial in degrees
//
// One ACal2 lives for the whole run (it owns the SiderealMidnightCache). It reads the site
// constants from SiteState and reads/writes the mount fields of MountState through the
// references given at construction, and reads the time only through orvan::Clock::current().
// Single-threaded (user-interface thread); no function throws; no function returns NaN.
//
// Arguments that are 32-bit whole numbers in the mount protocols (ra/dec of EquatorialToHorizontal and of the
// axis transforms) are taken as double and rounded to the nearest whole number, ties to even,
// on entry -- what the original did when a Double was passed to a Long. Callers may pass either
// whole numbers or doubles such as TelRA/GotoRA; they need not round first.
#include "State.h"

#include <QDate>
#include <QString>
#include <cstdint>

namespace orvan {

class ACal2 {
 public:
  // The constants every figure of the controller was computed with (pi truncated as here).
  static constexpr double kPi = 3.14159265358979;
  static constexpr double kTwoPi = 6.28318530717959;
  static constexpr double kHalfPi = 1.570796327;
  static constexpr double kDegPerRad = 180.0 / kPi;          // degrees -> radians: divide
  static constexpr double kArcsecPerRad = 648000.0 / kPi;    // arcsec  -> radians: divide
  static constexpr double kSiderealRate = 1.00273791;        // sidereal seconds per solar second

  // Local sidereal time at 0 h local civil time of `date`, for the site it was computed for.
  struct SiderealMidnightCache {
    QDate date;          // local date it was computed for; null until the first call
    double seconds = 0;  // sidereal time at local midnight, seconds, 0 .. 86 399 (whole)
    int32_t longitude = 0;    // SiteLongitude it was computed for
    int32_t timeZone = 0;     // TimeZoneSeconds it was computed for
  };

  ACal2(SiteState& site, MountState& mount);

  // ---- time and sidereal time ----------------------------------------------------------
  // Local sidereal time now, whole seconds of sidereal time, 0 .. 86 399. Recomputes the
  // cache when Clock::current().localDate() differs from the cached date, and when the site's
  // longitude or time zone changed (a planetarium program or the set-up layout moved the site:
  // the sidereal time must follow at once, not at the next midnight).
  int32_t LocalSiderealTime() const;
  const SiderealMidnightCache& siderealMidnightCache() const { return cache_; }
  // Julian date at 0 h of "yyyy/mm/dd" (year chars 1-4, month 6-7, day 9-10).
  // "2000/01/01" -> 2 451 544.5.
  static double JulianDateFromText(const QString& text);

  // ---- coordinate transforms -------------------------------------------------------------
  // Precession between J2000 and the equinox of today's local date.
  // in: ra (s), dec (arcsec), direction "2000EOD" (J2000 -> date) or "EOD2000" (date -> J2000);
  // out: raOut (s, reduced into 0 <= raOut < 86 400), decOut (arcsec).
  // Any other direction returns the position unchanged. raOut/decOut may alias ra/dec.
  void PrecessRaDec(double ra, double dec, double& raOut, double& decOut,
                    const QString& direction) const;

  // in: ra (s, equinox of date), dec (arcsec), both rounded to whole numbers on entry;
  // the latitude is taken from SiteLatitude (arcsec).
  // out: azOut (radians from north through east, 0 .. 2pi), altOut (radians).
  // Returns true when the altitude in degrees is greater than MountState::HorizonLimit.
  bool EquatorialToHorizontal(double ra, double dec, double& azOut, double& altOut) const;

  // in: az (degrees from SOUTH through west; negative values get 360 added), alt (degrees);
  // out: raOut (s, equinox of date, 0 <= raOut < 86 400), decOut (arcsec, within +-324 000).
  // The latitude is taken from SiteLatitudeRadians, which whoever sets the site keeps equal to
  // SiteLatitude / kArcsecPerRad. At declination +-90 deg raOut is the local sidereal time.
  void HorizontalToEquatorial(double az, double alt, double& raOut, double& decOut) const;

  // in: ra (s), dec (arcsec), equinox of date, rounded to whole numbers on entry;
  // out: target1/target2 = target axis counts (hour axis, declination axis),
  //      move1/move2 = current AxisPos (wrapped per step 6) minus target, counts.
  // Returns the pier-side flag: true for a German mount ("G") whose target is on or west
  // of the meridian (hour angle >= 0); false otherwise. Reads SiteState::MountType, AxisRev, AxisPos.
  bool TargetToAxisCounts(double ra, double dec, int32_t& target1, int32_t& target2,
                          int32_t& move1, int32_t& move2) const;
  // The same from the given current counts (a mount whose sky counts are its counters plus an
  // offset passes AxisDisp).
  bool TargetToAxisCounts(double ra, double dec, int32_t current1, int32_t current2, int32_t& target1,
                          int32_t& target2, int32_t& move1, int32_t& move2) const;

  // Steps 1-5 of TargetToAxisCounts: the target axis counts only.
  // in: ra (s), dec (arcsec), rounded on entry; out: counts1 (hour axis), counts2 (dec axis).
  void TargetToAxisPosition(double ra, double dec, int32_t& counts1, int32_t& counts2) const;

  // Reads AxisPos(0..1), AxisRev(0..1), MountType; writes MountState TelRA (s, 0 .. 86 399),
  // TelDec (arcsec), TelStatus[2] (RA text), [3] (Dec text), [14] ("1" at an axis limit,
  // else "0"), and the flags TargetWestOfMeridian, AxisLimitPlus, AxisLimitMinus.
  void AxisCountsToEquatorial();
  // The same from the given counts instead of AxisPos.
  void AxisCountsToEquatorial(int32_t counts1, int32_t counts2);

  // Angle of (x, y) in radians, in (0, 2pi]; x > 0 with y = 0 gives 2pi.
  // x = 0: pi/2 for y > 0, 3pi/2 for y < 0, 2pi for y = 0.
  static double FullCircleArctan(double y, double x);
  // arcsin in radians via arctan(x / sqrt(1 - x^2)); x is clamped into [-1, 1]
  // (+-1 give +-kHalfPi); NaN gives 0.
  static double ArcSine(double x);

  // ---- text formats -----------------------------------------------------------------------
  // ra (s) -> hours "h" minutes "m" seconds "." tenths "s", rounded to the tenth (ties to
  // even), e.g. 45 296.75 -> "12h34m56.8s"; never "24h": 86 399.96 and up wrap to "00h00m00.0s".
  static QString FormatRaText(double ra);
  // st (s) -> "05h12m33s": whole seconds (ties to even), hours 00 .. 23.
  static QString FormatSiderealText(double st);
  // dec (arcsec) -> sign, degrees (>= 2 digits), U+309C, mm, "' ", ss, '"';
  // e.g. -1 -> "-00゜00' 01\"".
  static QString FormatDecText(double dec);
  // Reads a target "(hh:mm:ss+dd:mm:ss)" from fixed places after the first "(" (from the start
  // when there is none); the separators may be anything. The declination sign may also be a
  // blank, or stand one place later after a blank: "(05:34:32 +22:00:52)".
  // out: raOut (s, 0 <= raOut < 86 400), decOut (arcsec). Returns true when the target is
  // above the horizon (EquatorialToHorizontal of the rounded values).
  bool ParseTargetText(const QString& text, double& raOut, double& decOut) const;

 private:
  // Hour angle and declination of the target turned into axis counts, with the pole crossing
  // of the mount type; returns the pier-side flag.
  bool axisTarget(double ra, double dec, int32_t& target1, int32_t& target2) const;

  SiteState& site_;
  MountState& mount_;
  mutable SiderealMidnightCache cache_;
  // Today's Julian date at 0 h, as JulianDateFromText gives it for the date's text.
  double julianDateToday() const;
  mutable QDate julianDate_;
  mutable double julianDay_ = 0;
};

}  // namespace orvan
