#include "ACal2.h"

#include "Clock.h"
#include "Vb.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace orvan {

namespace {

constexpr double kDay = 86400.0;          // seconds of time per turn
constexpr double kTurnArcsec = 1296000.0; // arcseconds per turn

// A Double handed to a Long: nearest whole number, ties to even; out-of-range values saturate
// and NaN reads as 0 instead of overflowing.
int32_t toLong(double v) {
  if (std::isnan(v)) return 0;
  const double r = std::nearbyint(v);
  if (r >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  if (r <= double(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}

int32_t saturate(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// Brings seconds of time into 0 <= s < 86 400. A right ascension of 86 400 would reach the
// mounts as hour 24, which none of them accepts.
double reduceDay(double s) {
  if (!std::isfinite(s)) return 0;
  s = std::fmod(s, kDay);
  if (s < 0) s += kDay;
  if (s >= kDay) s = 0;  // a tiny negative remainder plus 86 400 can round up to 86 400
  return s;
}

// "hh:mm:ss" of a time of day with the colons turned into the hour and minute marks.
QString markedTime(long long seconds) {
  QString t = vb::TimeText(seconds);
  t[2] = u'h';
  t[5] = u'm';
  return t;
}

}  // namespace

ACal2::ACal2(SiteState& site, MountState& mount) : site_(site), mount_(mount) {}

// ---- time and sidereal time -------------------------------------------------------------

int32_t ACal2::LocalSiderealTime() const {
  const Clock& clock = Clock::current();
  const QDate today = clock.localDate();
  const bool siteMoved = cache_.longitude != site_.SiteLongitude || cache_.timeZone != site_.TimeZoneSeconds;
  if (!cache_.date.isValid() || today != cache_.date || siteMoved) {
    // Sidereal time at 0 h local civil time, from the day count since 1899 December 31, 12 h UT.
    cache_.date = today;
    cache_.longitude = site_.SiteLongitude;
    cache_.timeZone = site_.TimeZoneSeconds;
    double Y = today.year() - 1900;
    double M = today.month();
    const double D = today.day();
    if (M <= 2) {  // January and February count as months 13 and 14 of the year before
      Y = Y - 1;
      M = M + 12;
    }
    const double N = std::floor((M + 1) * 3 / 5) + 365 * Y + 30 * M + D - 33.5 + std::floor(Y / 4);
    const double T = N / 36525;
    const double G = 23925.836 + 8640184.542 * T + 0.0929 * (T * T);
    double S = G + site_.SiteLongitude / 15.0 - site_.TimeZoneSeconds * kSiderealRate;
    S = std::fmod(std::nearbyint(S), kDay);
    if (S < 0) S += kDay;  // dates before 1900 give a negative G
    cache_.seconds = S;
  }
  // The clock counts seconds since midnight in single precision.
  const double seconds = static_cast<float>(clock.secondsSinceMidnight());
  double lst = std::fmod(std::nearbyint(seconds * kSiderealRate + cache_.seconds), kDay);
  if (lst < 0) lst += kDay;
  return static_cast<int32_t>(lst);
}

double ACal2::JulianDateFromText(const QString& text) {
  // Year, month, day and the whole-number steps are single precision, as they always were;
  // every value involved fits exactly.
  float Y = static_cast<float>(vb::Val(vb::Mid(text, 1, 4)));
  float M = static_cast<float>(vb::Val(vb::Mid(text, 6, 2)));
  const float D = static_cast<float>(vb::Val(vb::Mid(text, 9, 2)));
  if (M < 3) {
    M = M + 12;
    Y = Y - 1;
  }
  float B = 0;
  if (Y + (M - 1) / 12.0f + D / 365.25 > 1582.78) {  // Gregorian calendar
    const float A = static_cast<float>(vb::Fix(Y / 100.0f));
    B = 2 - A + static_cast<float>(vb::Fix(A / 4.0f));
  }
  const float C = Y > 0 ? static_cast<float>(vb::Fix(365.25 * Y))
                        : static_cast<float>(vb::Fix(365.25 * Y - 0.75));
  const float E = static_cast<float>(vb::Fix(30.6001 * (M + 1)));
  return E + 1720994.5 + B + C + D;
}

double ACal2::julianDateToday() const {
  // The position display precesses twice a second; the date's text is parsed once a day.
  const QDate today = Clock::current().localDate();
  if (today != julianDate_) {
    julianDay_ = JulianDateFromText(vb::DateText(today));
    julianDate_ = today;
  }
  return julianDay_;
}

// ---- angles -------------------------------------------------------------------------------

double ACal2::FullCircleArctan(double y, double x) {
  double r;
  if (x == 0) {
    // Straight up or down the y axis; the origin itself reads as angle 0, that is 2pi.
    r = y > 0 ? kHalfPi : y < 0 ? kPi + kHalfPi : kTwoPi;
  } else {
    r = std::atan(y / x);
    if (x < 0) r = r + kPi;
    else if (y <= 0) r = r + kTwoPi;
  }
  return std::isnan(r) ? kTwoPi : r;
}

double ACal2::ArcSine(double x) {
  // Rounding pushes sines of +-90 deg just past +-1; they mean +-90 deg.
  if (std::isnan(x)) return 0;
  if (x >= 1) return kHalfPi;
  if (x <= -1) return -kHalfPi;
  return std::atan(x / std::sqrt(1 - x * x));
}

// ---- coordinate transforms ----------------------------------------------------------------

void ACal2::PrecessRaDec(double ra, double dec, double& raOut, double& decOut,
                         const QString& direction) const {
  // Both epochs at 0 h of their dates; an unknown direction leaves both at 0 (no change).
  double start = 0;
  double end = 0;
  static const double j2000 = JulianDateFromText(QStringLiteral("2000/01/01"));
  if (direction == u"2000EOD") {
    start = j2000;
    end = julianDateToday();
  } else if (direction == u"EOD2000") {
    start = julianDateToday();
    end = j2000;
  }
  const double alpha = ra * kPi / 43200;
  const double delta = dec * kPi / 648000;
  const double T = (start - 2415020.313) / 36524.2199;
  const double t = (end - start) / 36524.2199;
  const double t2 = std::pow(t, 2);
  const double t3 = std::pow(t, 3);
  // Precession angles in arcseconds, then radians.
  double zeta = (2304.25 + 1.396 * T) * t + 0.302 * t2 + 0.018 * t3;
  double theta = (2004.682 - 0.853 * T) * t - 0.426 * t2 - 0.042 * t3;
  double z = zeta + 0.791 * t2 + 0.001 * t3;
  zeta = zeta / kArcsecPerRad;
  theta = theta / kArcsecPerRad;
  z = z / kArcsecPerRad;

  const double A = std::cos(delta) * std::sin(alpha + zeta);
  const double B = std::cos(theta) * std::cos(delta) * std::cos(alpha + zeta) -
                   std::sin(theta) * std::sin(delta);
  const double C = std::sin(theta) * std::cos(delta) * std::cos(alpha + zeta) +
                   std::cos(theta) * std::sin(delta);
  const double alpha2 = FullCircleArctan(A, B) + z;
  // At the pole A = B = 0 and C / 0 is an infinity, whose arctangent is the pole.
  const double delta2 = std::atan(C / std::sqrt(A * A + B * B));
  raOut = reduceDay(alpha2 * 43200 / kPi);
  decOut = std::isnan(delta2) ? dec : delta2 * kArcsecPerRad;
}

bool ACal2::EquatorialToHorizontal(double ra, double dec, double& azOut, double& altOut) const {
  const int32_t r = toLong(ra);
  const int32_t d = toLong(dec);
  const double H = double(LocalSiderealTime()) - double(r);
  const double h = H * kTwoPi / kDay;
  const double delta = d * kTwoPi / kTurnArcsec;
  const double phi = site_.SiteLatitude / kArcsecPerRad;

  double hp = h + kHalfPi;
  if (hp < 0) hp = hp + kTwoPi;
  else if (hp >= kTwoPi) hp = hp - kTwoPi;

  const double X = std::cos(hp) * std::cos(delta);
  const double Yp = std::sin(hp) * std::cos(delta);
  const double c = phi - kHalfPi;
  const double N = std::sin(c) * std::sin(delta) + std::cos(c) * Yp;
  const double S = -Yp * std::sin(c) + std::cos(c) * std::sin(delta);  // sine of the altitude

  // Exactly at the zenith both horizontal components vanish and any azimuth is right.
  double a = (X == 0 && N == 0) ? 0.0 : std::atan(N / X);
  if (X < 0) a = a + kPi;
  a = a - kHalfPi - kPi;
  if (a < 0) a = a + kTwoPi;
  if (a < 0) a = 0;  // due north can come out a few 1e-10 below zero

  const double alt = ArcSine(S);
  azOut = a;
  altOut = alt;
  return alt * kDegPerRad > mount_.HorizonLimit;
}

void ACal2::HorizontalToEquatorial(double az, double alt, double& raOut, double& decOut) const {
  if (az < 0) az = az + 360;
  const double A = az / kDegPerRad;
  const double E = alt / kDegPerRad;
  const double phi = site_.SiteLatitudeRadians;

  const double sinDelta = std::sin(E) * std::sin(phi) - std::cos(phi) * std::cos(E) * std::cos(A);
  const double delta = ArcSine(sinDelta);
  decOut = std::clamp(delta * kArcsecPerRad, -324000.0, 324000.0);

  const double lst = LocalSiderealTime();
  if (!(std::fabs(sinDelta) < 1)) {
    // At a celestial pole the hour angle is undefined; the meridian is the natural choice.
    raOut = lst;
    return;
  }
  const double cosDelta = std::cos(delta);
  double H = ArcSine(std::cos(E) * std::sin(A) / cosDelta);
  if ((std::cos(phi) * std::sin(E) + std::sin(phi) * std::cos(E) * std::cos(A)) / cosDelta < 0) {
    H = kPi - H;
  }
  const double Hs = H * 43200 / kPi;
  raOut = reduceDay(lst - Hs);
}

bool ACal2::axisTarget(double ra, double dec, int32_t& target1, int32_t& target2) const {
  const int32_t r = toLong(ra);
  // Hour angle in -12 h .. +12 h.
  int64_t H = (int64_t(LocalSiderealTime()) - r) % 86400;
  if (H >= 43200) H -= 86400;
  else if (H < -43200) H += 86400;
  int64_t D = toLong(dec);
  bool flag = false;
  if (site_.MountType == u"G") {
    if (H >= 0) {
      flag = true;  // on or west of the meridian: the tube stays east of the pier
    } else {
      H = H + 43200;  // east of the meridian: the tube goes over the pole
      D = 648000 - D;
    }
  } else if (site_.MountType == u"F") {
    if (21600 <= H && H <= 43200) {
      H = H - 43200;
      D = 648000 - D;
    } else if (-43200 <= H && H <= -21600) {
      H = H + 43200;
      D = 648000 - D;
    }
  }
  const double rev0 = std::fabs(double(mount_.AxisRev[0]));
  const double rev1 = std::fabs(double(mount_.AxisRev[1]));
  target1 = toLong(rev0 / kDay * double(H));
  target2 = toLong(rev1 / kTurnArcsec * double(D));
  return flag;
}

bool ACal2::TargetToAxisCounts(double ra, double dec, int32_t& target1, int32_t& target2,
                               int32_t& move1, int32_t& move2) const {
  return TargetToAxisCounts(ra, dec, mount_.AxisPos[0], mount_.AxisPos[1], target1, target2, move1, move2);
}

bool ACal2::TargetToAxisCounts(double ra, double dec, int32_t current1, int32_t current2, int32_t& target1,
                               int32_t& target2, int32_t& move1, int32_t& move2) const {
  int32_t t1 = 0;
  int32_t t2 = 0;
  const bool flag = axisTarget(ra, dec, t1, t2);
  // An axis more than a quarter turn negative is counted from the other end.
  int64_t c1 = current1;
  int64_t c2 = current2;
  if (-double(mount_.AxisRev[0]) / 4 > double(c1)) c1 = c1 + mount_.AxisRev[0];
  if (-double(mount_.AxisRev[1]) / 4 > double(c2)) c2 = c2 + mount_.AxisRev[1];
  target1 = t1;
  target2 = t2;
  move1 = saturate(c1 - t1);
  move2 = saturate(c2 - t2);
  return flag;
}

void ACal2::TargetToAxisPosition(double ra, double dec, int32_t& counts1, int32_t& counts2) const {
  int32_t t1 = 0;
  int32_t t2 = 0;
  axisTarget(ra, dec, t1, t2);
  counts1 = t1;
  counts2 = t2;
}

void ACal2::AxisCountsToEquatorial() { AxisCountsToEquatorial(mount_.AxisPos[0], mount_.AxisPos[1]); }

void ACal2::AxisCountsToEquatorial(int32_t counts1, int32_t counts2) {
  const int32_t rev0 = mount_.AxisRev[0];
  const int32_t rev1 = mount_.AxisRev[1];
  const double Ha = rev0 != 0 ? std::nearbyint(kDay / std::fabs(double(rev0)) * counts1) : 0.0;
  const double Dd = rev1 != 0 ? std::nearbyint(kTurnArcsec / std::fabs(double(rev1)) * counts2) : 0.0;

  // One reading of the sidereal time serves the position and the meridian test alike.
  const double lst = LocalSiderealTime();
  double R = lst - Ha;
  double D = 0;
  if (-324000 <= Dd && Dd <= 324000) {
    D = Dd;
  } else if (324001 <= Dd && Dd <= 972000) {  // past the pole: the other side of the sky
    D = 648000 - Dd;
    R = R - 43200;
  } else if (972001 <= Dd && Dd <= 1296000) {
    D = Dd - 1296000;
  } else if (-972000 <= Dd && Dd <= -324001) {
    D = -(Dd + 648000);
    R = R - 43200;
  } else if (-1296000 <= Dd && Dd <= -972001) {
    D = Dd + 1296000;
  }
  R = reduceDay(R);

  mount_.TargetWestOfMeridian = std::fmod(lst - R + kDay, kDay) <= 43200;
  mount_.AxisLimitPlus = false;
  mount_.AxisLimitMinus = false;
  if (site_.MountType == u"G") {
    if (Ha >= 43201) mount_.AxisLimitPlus = true;
    else if (Ha < 0) mount_.AxisLimitMinus = true;
  } else if (site_.MountType == u"F") {
    if (Ha >= 21601) mount_.AxisLimitPlus = true;
    else if (Ha < -21600) mount_.AxisLimitMinus = true;
  }
  mount_.TelStatus[TelItem::AxisLimit] =
      (mount_.AxisLimitPlus || mount_.AxisLimitMinus) ? QStringLiteral("1") : QStringLiteral("0");
  mount_.TelStatus[TelItem::RaText] = QString::number(static_cast<long long>(R));
  mount_.TelStatus[TelItem::DecText] = QString::number(static_cast<long long>(D));
  mount_.TelRA = R;
  mount_.TelDec = D + 0.0;  // no negative zero
}

// ---- text formats -------------------------------------------------------------------------

QString ACal2::FormatRaText(double ra) {
  // Rounded to the tenth first, so 23h59m59.96s shows as the next day's 00h00m00.0s.
  double tenths = std::nearbyint(ra * 10);
  if (!std::isfinite(tenths)) tenths = 0;
  tenths = std::fmod(tenths, kDay * 10);
  if (tenths < 0) tenths += kDay * 10;
  const auto t = static_cast<long long>(tenths);
  QString text = markedTime(t / 10);
  text += u'.';
  text += QChar(char16_t(u'0' + t % 10));
  text += u's';
  return text;
}

QString ACal2::FormatSiderealText(double st) {
  double s = std::nearbyint(st);
  if (!std::isfinite(s)) s = 0;
  return markedTime(static_cast<long long>(std::fmod(s, kDay))) + u's';
}

QString ACal2::FormatDecText(double dec) {
  if (std::isnan(dec)) dec = 0;
  const QChar sign = dec < 0 ? u'-' : u'+';
  const double rounded = std::fabs(std::nearbyint(dec));
  const long long n = rounded < 1e15 ? static_cast<long long>(rounded) : 0;
  char16_t buf[40];
  char16_t* p = buf;
  *p++ = sign.unicode();
  p = vb::PutDigits(p, n / 3600, 2);
  *p++ = char16_t(0x309C);
  p = vb::PutDigits(p, (n % 3600) / 60, 2);
  *p++ = u'\'';
  *p++ = u' ';
  p = vb::PutDigits(p, n % 60, 2);
  *p++ = u'"';
  return QStringView(buf, p - buf).toString();
}

namespace {

// A two-character field: blanks and "+" skipped, digits read up to the first other character.
int fieldAt(const QString& text, int pos1) {
  const QString f = vb::Mid(text, pos1, 2);
  int i = 0;
  while (i < f.size() && (f[i] == u' ' || f[i] == u'+')) ++i;
  int v = 0;
  while (i < f.size() && f[i] >= u'0' && f[i] <= u'9') v = v * 10 + (f[i++].unicode() - u'0');
  return v;
}

}  // namespace

bool ACal2::ParseTargetText(const QString& text, double& raOut, double& decOut) const {
  const int p = int(text.indexOf(u'(')) + 1;  // 0 when there is none
  const int h = fieldAt(text, p + 1);
  const int m = fieldAt(text, p + 4);
  const int s = fieldAt(text, p + 7);
  // The sign stands right after the seconds ("(05:34:32+22:00:52)"); the observatory program
  // puts a blank before it ("(05:34:32 +22:00:52)"), which moves the declination one place on.
  int at = p + 9;
  const QString next = vb::Mid(text, p + 10, 1);
  const QString sign0 = vb::Mid(text, p + 9, 1);
  if (sign0 != u"+" && sign0 != u"-" && (next == u"+" || next == u"-")) at = p + 10;
  const bool negative = vb::Mid(text, at, 1) == u"-";
  const int dd = fieldAt(text, at + 1);
  const int dm = fieldAt(text, at + 4);
  const int ds = fieldAt(text, at + 7);

  raOut = reduceDay(h * 3600.0 + m * 60.0 + s);  // "24:00:00" is 0 h
  decOut = dd * 3600.0 + dm * 60.0 + ds;
  if (negative && decOut != 0) decOut = -decOut;
  double az = 0;
  double alt = 0;
  return EquatorialToHorizontal(std::nearbyint(raOut), std::nearbyint(decOut), az, alt);
}

}  // namespace orvan
