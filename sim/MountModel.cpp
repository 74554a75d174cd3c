#include "MountModel.h"

#include <QTimeZone>
#include <algorithm>
#include <cmath>

namespace orvan::sim {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kSiderealPerSolar = 1.00273790935;
int index(char d) {
  switch (d) {
    case 'n': return 0;
    case 's': return 1;
    case 'e': return 2;
    case 'w': return 3;
  }
  return -1;
}
double wrapDay(double s) {
  s = std::fmod(s, 86400.0);
  return s < 0 ? s + 86400.0 : s;
}
QDateTime systemLocalNaive() {
  const QDateTime now = QDateTime::currentDateTime();
  return QDateTime(now.date(), now.time(), Qt::UTC);
}
}  // namespace

MountModel::MountModel(Config config) : config_(config) {
  clock_.start();
  utcOffset_ = -QDateTime::currentDateTime().offsetFromUtc() / 3600.0;
  // Switched on pointing at the pole.
  ra_ = localSiderealSeconds();
  dec_ = 90 * 3600.0;
  targetRa_ = ra_;
  targetDec_ = dec_;
}

QDateTime MountModel::localNow() const { return systemLocalNaive().addMSecs(localOffsetMs_); }

void MountModel::setLocalTime(int secondsOfDay) {
  const QDateTime now = localNow();
  const QDateTime wanted(now.date(), QTime(0, 0).addSecs(secondsOfDay), Qt::UTC);
  localOffsetMs_ += now.msecsTo(wanted);
}

void MountModel::setLocalDate(const QDate& date) {
  if (!date.isValid()) return;
  const QDateTime now = localNow();
  localOffsetMs_ += static_cast<qint64>(now.date().daysTo(date)) * 86400000;
}

double MountModel::localSiderealSeconds() const {
  const QDateTime ut = localNow().addMSecs(static_cast<qint64>(utcOffset_ * 3600000.0));
  const double jd = ut.toMSecsSinceEpoch() / 86400000.0 + 2440587.5;
  const double gmstHours = 18.697374558 + 24.06570982441908 * (jd - 2451545.0);
  return wrapDay((gmstHours - westLongitude_ / 15.0) * 3600.0 + siderealOffset_);
}

void MountModel::setLocalSiderealSeconds(double seconds) {
  double d = wrapDay(seconds - localSiderealSeconds());
  if (d > 43200) d -= 86400;
  siderealOffset_ += d;
}

void MountModel::setTracking(bool on) {
  update();
  tracking_ = on;
}

double MountModel::altitudeOf(double ra, double dec) const {
  const double ha = (localSiderealSeconds() - ra) * kPi / 43200.0;
  const double d = dec / 3600.0 * kPi / 180.0, phi = latitude_ * kPi / 180.0;
  return std::asin(std::sin(phi) * std::sin(d) + std::cos(phi) * std::cos(d) * std::cos(ha)) * 180.0 / kPi;
}

double MountModel::azimuthOf(double ra, double dec) const {
  const double ha = (localSiderealSeconds() - ra) * kPi / 43200.0;
  const double d = dec / 3600.0 * kPi / 180.0, phi = latitude_ * kPi / 180.0;
  const double az = std::atan2(-std::cos(d) * std::sin(ha), std::sin(d) * std::cos(phi) - std::cos(d) * std::cos(ha) * std::sin(phi));
  double deg = az * 180.0 / kPi;
  return deg < 0 ? deg + 360.0 : deg;
}

double MountModel::rateArcsecPerSec() const {
  switch (rate_) {
    case Rate::Guide: return 30.0;    // twice sidereal
    case Rate::Center: return 240.0;  // 16x
    case Rate::Find: return 960.0;    // 64x
    case Rate::Slew: return config_.slewDegPerSec * 3600.0;
  }
  return 30.0;
}

void MountModel::update() {
  const qint64 now = clock_.elapsed();
  const double dt = (now - lastMs_) / 1000.0;
  lastMs_ = now;
  if (dt <= 0) return;
  if (slewing_ && now < startAtMs_) {
    // Taken but not started yet: the mount stands (and tracks, or not) where it is.
    if (!tracking_) ra_ = wrapDay(ra_ + dt * kSiderealPerSolar);
    return;
  }
  if (slewing_) {
    const double stepDec = config_.slewDegPerSec * 3600.0 * dt;
    const double stepRa = stepDec / 15.0;
    double dRa = wrapDay(targetRa_ - ra_);
    if (dRa > 43200) dRa -= 86400;
    const double dDec = targetDec_ - dec_;
    ra_ = std::fabs(dRa) <= stepRa ? targetRa_ : wrapDay(ra_ + (dRa > 0 ? stepRa : -stepRa));
    dec_ = std::fabs(dDec) <= stepDec ? targetDec_ : dec_ + (dDec > 0 ? stepDec : -stepDec);
    if (ra_ == targetRa_ && dec_ == targetDec_) {
      slewing_ = false;
      settleUntilMs_ = now + static_cast<qint64>(config_.settleSec * 1000);
    }
    return;
  }
  if (!tracking_) ra_ = wrapDay(ra_ + dt * kSiderealPerSolar);
  const double step = rateArcsecPerSec() * dt;
  if (moving_[0]) dec_ += step;
  if (moving_[1]) dec_ -= step;
  // Moving east turns the tube toward rising stars: larger right ascension.
  if (moving_[2]) ra_ = wrapDay(ra_ + step / 15.0);
  if (moving_[3]) ra_ = wrapDay(ra_ - step / 15.0);
  dec_ = std::clamp(dec_, -324000.0, 324000.0);
}

double MountModel::ra() {
  update();
  return ra_;
}

double MountModel::dec() {
  update();
  return dec_;
}

bool MountModel::slewing() {
  update();
  return slewing_ || clock_.elapsed() < settleUntilMs_;
}

bool MountModel::moving() {
  return slewing() || moving_[0] || moving_[1] || moving_[2] || moving_[3];
}

bool MountModel::gotoTarget() {
  update();
  if (altitudeOf(targetRa_, targetDec_) < 0) return false;
  moving_.fill(false);
  slewing_ = true;
  settleUntilMs_ = -1;
  startAtMs_ = clock_.elapsed() + static_cast<qint64>(config_.startDelaySec * 1000);
  return true;
}

void MountModel::syncToTarget() { setPosition(targetRa_, targetDec_); }

void MountModel::setPosition(double ra, double dec) {
  update();
  ra_ = wrapDay(ra);
  dec_ = std::clamp(dec, -324000.0, 324000.0);
}

void MountModel::startMove(char direction) {
  update();
  const int i = index(direction);
  if (i < 0) return;
  slewing_ = false;
  moving_[i] = true;
}

void MountModel::stopMove(char direction) {
  update();
  const int i = index(direction);
  if (i >= 0) moving_[i] = false;
}

void MountModel::stopAll() {
  update();
  slewing_ = false;
  settleUntilMs_ = -1;
  moving_.fill(false);
}

}  // namespace orvan::sim
