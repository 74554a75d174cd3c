#include "Rst400Device.h"

#include <QDate>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace orvan::sim {

namespace {

QByteArray digits(long long v, int width) { return QByteArray::number(v).rightJustified(width, '0'); }

// Seconds of time -> "hh:mm:ss.s".
QByteArray timeText(double seconds) {
  long long t = std::llround(seconds * 10) % 864000;
  if (t < 0) t += 864000;
  return digits(t / 36000, 2) + ':' + digits(t / 600 % 60, 2) + ':' + digits(t / 10 % 60, 2) + '.' + digits(t % 10, 1);
}

// Arcseconds -> "sdd*mm:ss.s" (`degreeWidth` 3 and no sign for the azimuth).
QByteArray angleText(double arcsec, bool sign, int degreeWidth) {
  const long long t = std::llround(std::fabs(arcsec) * 10);
  QByteArray out = sign ? QByteArray(1, arcsec < 0 && t > 0 ? '-' : '+') : QByteArray();
  return out + digits(t / 36000, degreeWidth) + '*' + digits(t / 600 % 60, 2) + ':' + digits(t / 10 % 60, 2) + '.' +
         digits(t % 10, 1);
}

QRegularExpressionMatch match(const char* pattern, const QByteArray& text) {
  return QRegularExpression(QString::fromLatin1(pattern)).match(QString::fromLatin1(text));
}

// "hh:mm:ss" with optional tenths -> seconds of the day.
bool parseTime(const QByteArray& t, double& out) {
  const auto m = match("^(\\d{1,2}):(\\d{1,2}):(\\d{1,2}(?:\\.\\d+)?)$", t);
  if (!m.hasMatch()) return false;
  const int h = m.captured(1).toInt(), mi = m.captured(2).toInt();
  const double s = m.captured(3).toDouble();
  if (h >= 24 || mi >= 60 || s >= 60) return false;
  out = h * 3600 + mi * 60 + s;
  return true;
}

// "sdd*mm", "sdd*mm:ss(.s)" or "ddd*mm.mm" (decimal minutes) -> arcseconds within `maxDeg`.
bool parseAngle(const QByteArray& t, int maxDeg, double& out) {
  const auto m = match("^([+-]?)(\\d{1,3})[*:\\x{00DF}](\\d{1,2}(?:\\.\\d+)?)(?:[:'](\\d{1,2}(?:\\.\\d+)?))?$", t);
  if (!m.hasMatch()) return false;
  const double minutes = m.captured(3).toDouble(), seconds = m.captured(4).isEmpty() ? 0 : m.captured(4).toDouble();
  if (minutes >= 60 || seconds >= 60 || (!m.captured(4).isEmpty() && m.captured(3).contains(u'.'))) return false;
  const double v = m.captured(2).toInt() * 3600.0 + minutes * 60 + seconds;
  if (v > maxDeg * 3600.0) return false;
  out = m.captured(1) == u"-" ? -v : v;
  return true;
}

}  // namespace

Rst400Device::Rst400Device(MountModel::Config config, double homeSeconds)
    : model_(config), homeMs_(static_cast<qint64>(homeSeconds * 1000)) {}

void Rst400Device::receive(const QByteArray& bytes) {
  pending_ += bytes;
  for (;;) {
    const qsizetype start = pending_.indexOf(':');
    if (start < 0) {  // line noise, a stray '#' or carriage return
      pending_.clear();
      return;
    }
    pending_.remove(0, start);
    qsizetype end = 1;
    while (end < pending_.size() && pending_[end] != '#' && pending_[end] != '\r') ++end;
    if (end == pending_.size()) {
      if (pending_.size() > 256) pending_.clear();  // never a command: drop it
      return;
    }
    const QByteArray body = pending_.mid(1, end - 1);
    if (pending_[end] == '#' && end + 1 < pending_.size() && pending_[end + 1] == '\r') ++end;
    command(pending_.left(end + 1));
    pending_.remove(0, end + 1);
    execute(body);
  }
}

Rst400Device::Home Rst400Device::home() {
  if (home_ != Home::Seeking && home_ != Home::Approaching) return home_;
  // The controller drives both axes toward the switches on its own, apart from any target:
  // the tube ends on the pole with the declination axis horizontal (hour angle 6 h).
  const qint64 t = homeClock_.elapsed();
  const double f = homeMs_ > 0 ? std::min(1.0, static_cast<double>(t) / homeMs_) : 1.0;
  const double homeRa = model_.localSiderealSeconds() - 6 * 3600.0;
  const double homeDec = model_.latitude() < 0 ? -324000 : 324000;
  double dRa = std::fmod(homeRa - homeFromRa_, 86400.0);
  if (dRa > 43200) dRa -= 86400;
  if (dRa < -43200) dRa += 86400;
  model_.setPosition(homeFromRa_ + f * dRa, homeFromDec_ + f * (homeDec - homeFromDec_));
  if (t >= homeMs_)
    home_ = Home::Found;
  else if (t >= homeMs_ * 6 / 10)
    home_ = Home::Approaching;
  return home_;
}

void Rst400Device::startHomeSearch() {
  model_.stopAll();
  model_.setTracking(false);
  homeFromRa_ = model_.ra();
  homeFromDec_ = model_.dec();
  home_ = Home::Seeking;
  homeClock_.start();
}

void Rst400Device::execute(const QByteArray& cmd) {
  const bool searching = home() == Home::Seeking || home_ == Home::Approaching;
  const QByteArray a = answer(cmd);
  if (!a.isEmpty()) {
    reply(':' + cmd.left(2) + a + '#');
    return;
  }
  if (cmd.startsWith('S')) {
    set(cmd);
  } else if (cmd == "Q") {  // stops slews, moves and a home search; tracking goes on
    model_.stopAll();
    if (searching) home_ = Home::NotFound;
  } else if (cmd == "CtL") {
    model_.setTracking(false);
  } else if (cmd == "Ch") {
    startHomeSearch();
  } else if (searching) {
    return;  // the controller drives the mount itself until the search ends
  } else if (cmd == "CtA") {
    model_.setTracking(true);
  } else if (cmd == "CM") {
    model_.syncToTarget();
  } else if (cmd == "MS") {
    if (model_.gotoTarget()) model_.setTracking(true);  // it tracks the target on arrival
  } else if (cmd.size() == 2 && (cmd[0] == 'M' || cmd[0] == 'Q') && QByteArray("nsew").contains(cmd[1])) {
    if (cmd[0] == 'M')
      model_.startMove(cmd[1]);
    else
      model_.stopMove(cmd[1]);
  } else if (cmd == "RG") {
    model_.setRate(MountModel::Rate::Guide);
  } else if (cmd == "RC") {
    model_.setRate(MountModel::Rate::Center);
  } else if (cmd == "RM") {
    model_.setRate(MountModel::Rate::Find);
  } else if (cmd == "RS") {
    model_.setRate(MountModel::Rate::Slew);
  }
  // Anything else is not understood and gets no answer.
}

QByteArray Rst400Device::answer(const QByteArray& cmd) {
  if (cmd == "GR") return timeText(model_.ra());
  if (cmd == "GD") return angleText(model_.dec(), true, 2);
  if (cmd == "Gr") return timeText(model_.targetRa());
  if (cmd == "Gd") return angleText(model_.targetDec(), true, 2);
  if (cmd == "GA") return angleText(model_.altitudeOf(model_.ra(), model_.dec()) * 3600, true, 2);
  if (cmd == "GZ") {
    const double az = model_.azimuthOf(model_.ra(), model_.dec()) * 3600;
    return angleText(std::llround(az * 10) >= 12960000 ? 0 : az, false, 3);
  }
  if (cmd == "GH") {
    switch (home()) {
      case Home::NotFound: return QByteArrayLiteral("0");
      case Home::Seeking: return QByteArrayLiteral("?");
      case Home::Approaching: return QByteArrayLiteral("<");
      case Home::Found: return QByteArrayLiteral("O");
    }
  }
  return {};
}

// Set commands answer nothing; a value the controller cannot read leaves the setting as it was
// (the target read-back ":Gr#"/":Gd#" shows what it holds).
void Rst400Device::set(const QByteArray& cmd) {
  const QByteArray arg = cmd.mid(2).trimmed();
  double v = 0;
  bool good = true;
  if (cmd == "SPH" || cmd == "SPE") {
    if (!presets_.contains(cmd[2])) presets_ += cmd[2];
  } else if (cmd.startsWith("Sr")) {
    if ((good = parseTime(arg, v))) model_.setTarget(v, model_.targetDec());
  } else if (cmd.startsWith("Sd")) {
    if ((good = parseAngle(arg, 90, v))) model_.setTarget(model_.targetRa(), v);
  } else if (cmd.startsWith("Sg")) {
    if ((good = parseAngle(arg, 360, v) && v >= 0)) model_.setWestLongitude(v / 3600.0);
  } else if (cmd.startsWith("St")) {
    if ((good = parseAngle(arg, 90, v))) model_.setLatitude(v / 3600.0);
  } else if (cmd.startsWith("SG")) {
    good = match("^[+-]?\\d{1,2}(\\.\\d)?$", arg).hasMatch() && std::fabs(arg.toDouble()) <= 14;
    if (good) model_.setUtcOffset(arg.toDouble());
  } else if (cmd.startsWith("SL")) {
    if ((good = parseTime(arg, v) && v == std::floor(v))) model_.setLocalTime(static_cast<int>(v));
  } else if (cmd.startsWith("SC")) {
    const auto m = match("^(\\d{1,2}):(\\d{1,2}):(\\d{2})$", arg);
    const QDate d = m.hasMatch() ? QDate(2000 + m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt()) : QDate();
    if ((good = d.isValid())) model_.setLocalDate(d);
  } else if (cmd.startsWith("SS")) {
    if ((good = parseTime(arg, v))) model_.setLocalSiderealSeconds(v);
  } else {
    good = false;
  }
  if (!good) ++rejected_;
}

QString Rst400Device::stateText() {
  static const char* homeNames[] = {"not-found", "seeking", "approaching", "found"};
  const Home h = home();  // first: it brings a running search's position up to now
  return QStringLiteral(
             "ra=%1 dec=%2 slewing=%3 moving=%4 tracking=%5 target=%6,%7 home=%8 lat=%9 westlon=%10 utc=%11 lst=%12 "
             "presets=%13 rejected=%14")
      .arg(model_.ra(), 0, 'f', 1)
      .arg(model_.dec(), 0, 'f', 1)
      .arg(model_.slewing() ? 1 : 0)
      .arg(model_.moving() ? 1 : 0)
      .arg(model_.tracking() ? 1 : 0)
      .arg(model_.targetRa(), 0, 'f', 1)
      .arg(model_.targetDec(), 0, 'f', 1)
      .arg(QString::fromLatin1(homeNames[static_cast<int>(h)]))
      .arg(model_.latitude(), 0, 'f', 4)
      .arg(model_.westLongitude(), 0, 'f', 4)
      .arg(model_.utcOffset(), 0, 'f', 1)
      .arg(model_.localSiderealSeconds(), 0, 'f', 0)
      .arg(presets_.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(presets_))
      .arg(rejected_);
}

}  // namespace orvan::sim
