#include "Lx200Device.h"

#include <QList>
#include <QRegularExpression>
#include <cmath>

namespace orvan::sim {

namespace {
constexpr char kDegree = '\xdf';  // the LX200's degree sign

QByteArray two(long long v) { return QByteArray::number(v).rightJustified(2, '0'); }

// The whole numbers of a coordinate text, whatever the separators (':', '*', 0xDF, '\'').
QList<int> fields(const QByteArray& text) {
  QList<int> out;
  int cur = -1;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      cur = (cur < 0 ? 0 : cur * 10) + (c - '0');
      if (cur > 100000) return {};
    } else if (cur >= 0) {
      out << cur;
      cur = -1;
    }
  }
  if (cur >= 0) out << cur;
  return out;
}

bool negative(const QByteArray& text) { return text.startsWith('-'); }

// "HH:MM:SS" or "HH:MM.T" -> seconds of time.
bool parseRa(const QByteArray& t, double& out) {
  static const QRegularExpression hi(QStringLiteral("^\\d{1,2}:\\d{1,2}:\\d{1,2}$"));
  static const QRegularExpression lo(QStringLiteral("^\\d{1,2}:\\d{1,2}\\.\\d$"));
  const QString s = QString::fromLatin1(t);
  const QList<int> f = fields(t);
  if (hi.match(s).hasMatch() && f.size() == 3 && f[0] < 24 && f[1] < 60 && f[2] < 60) {
    out = f[0] * 3600 + f[1] * 60 + f[2];
    return true;
  }
  if (lo.match(s).hasMatch() && f.size() == 3 && f[0] < 24 && f[1] < 60) {
    out = f[0] * 3600 + f[1] * 60 + f[2] * 6;
    return true;
  }
  return false;
}

// "sDD*MM" or "sDD*MM:SS" (any separators) -> arcseconds; `maxDeg` bounds the degrees.
bool parseAngle(const QByteArray& t, int maxDeg, bool signRequired, double& out) {
  if (t.isEmpty()) return false;
  const bool hasSign = t[0] == '+' || t[0] == '-';
  if (signRequired && !hasSign) return false;
  const QByteArray body = hasSign ? t.mid(1) : t;
  if (body.isEmpty() || body[0] < '0' || body[0] > '9') return false;
  const QList<int> f = fields(body);
  if (f.size() < 2 || f.size() > 3 || f[0] > maxDeg || f[1] >= 60 || (f.size() == 3 && f[2] >= 60)) return false;
  double v = f[0] * 3600.0 + f[1] * 60.0 + (f.size() == 3 ? f[2] : 0);
  if (v > maxDeg * 3600.0) return false;
  out = negative(t) ? -v : v;
  return true;
}
}  // namespace

Lx200Device::Lx200Device(bool gps, MountModel::Config config) : gps_(gps), high_(gps), model_(config) {}

QByteArray Lx200Device::raReply(double ra) const {
  long long s = std::llround(ra) % 86400;
  if (s < 0) s += 86400;
  if (high_) return two(s / 3600) + ':' + two(s % 3600 / 60) + ':' + two(s % 60) + '#';
  return two(s / 3600) + ':' + two(s % 3600 / 60) + '.' + QByteArray::number(s % 60 / 6) + '#';
}

QByteArray Lx200Device::decReply(double dec) const {
  const long long a = std::llround(std::fabs(dec));
  QByteArray out(1, dec < 0 && a > 0 ? '-' : '+');
  out += two(a / 3600) + kDegree + two(a % 3600 / 60);
  if (high_) out += '\'' + two(a % 60);
  return out + '#';
}

void Lx200Device::receive(const QByteArray& bytes) {
  pending_ += bytes;
  for (;;) {
    if (pending_.isEmpty()) return;
    if (pending_[0] == '\x06') {  // the alignment query
      command(QByteArray(1, '\x06'));
      pending_.remove(0, 1);
      reply(QByteArrayLiteral("P"));
      continue;
    }
    if (pending_[0] != ':') {  // a leading '#', blanks, line noise
      pending_.remove(0, 1);
      continue;
    }
    const qsizetype end = pending_.indexOf('#');
    if (end < 0) {
      if (pending_.size() > 256) pending_.clear();  // never a command: drop it
      return;
    }
    const QByteArray cmd = pending_.left(end + 1);
    pending_.remove(0, end + 1);
    command(cmd);
    execute(cmd.mid(1, cmd.size() - 2));
  }
}

void Lx200Device::execute(const QByteArray& cmd) {
  const QByteArray a = answer(cmd);
  if (!a.isEmpty()) reply(a);
}

QByteArray Lx200Device::answer(const QByteArray& cmd) {
  const auto arg = [&](int n) { return cmd.mid(n).trimmed(); };
  const auto ok = [](bool b) { return b ? QByteArrayLiteral("1") : QByteArrayLiteral("0"); };
  double v = 0;

  // Positions and state.
  if (cmd == "GR") return raReply(model_.ra());
  if (cmd == "GD") return decReply(model_.dec());
  if (cmd == "Gr") return raReply(model_.targetRa());
  if (cmd == "Gd") return decReply(model_.targetDec());
  if (cmd == "GS") {
    const long long s = std::llround(model_.localSiderealSeconds()) % 86400;
    return two(s / 3600) + ':' + two(s % 3600 / 60) + ':' + two(s % 60) + '#';
  }
  if (cmd == "GL") return model_.localNow().time().toString(QStringLiteral("hh:mm:ss")).toLatin1() + '#';
  if (cmd == "GC") return model_.localNow().date().toString(QStringLiteral("MM/dd/yy")).toLatin1() + '#';
  if (cmd == "Gc") return QByteArrayLiteral("24#");
  if (cmd == "GG") {
    const double h = model_.utcOffset();
    return QByteArray(h < 0 ? "-" : "+") + QByteArray::number(std::fabs(h), 'f', 1).rightJustified(4, '0') + '#';
  }
  if (cmd == "Gg") {
    const long long m = std::llround(model_.westLongitude() * 60);
    return QByteArray(m < 0 ? "-" : "+") + QByteArray::number(std::llabs(m) / 60).rightJustified(3, '0') + kDegree +
           two(std::llabs(m) % 60) + '#';
  }
  if (cmd == "Gt") {
    const long long m = std::llround(model_.latitude() * 60);
    return QByteArray(m < 0 ? "-" : "+") + two(std::llabs(m) / 60) + kDegree + two(std::llabs(m) % 60) + '#';
  }
  if (cmd == "GA") return decReply(model_.altitudeOf(model_.ra(), model_.dec()) * 3600);
  if (cmd == "GZ") {
    const long long a = std::llround(model_.azimuthOf(model_.ra(), model_.dec()) * 3600) % 1296000;
    return QByteArray::number(a / 3600).rightJustified(3, '0') + kDegree + two(a % 3600 / 60) + '\'' + two(a % 60) + '#';
  }
  if (cmd == "GM") return QByteArrayLiteral("Home#");
  if (cmd == "GVP") return gps_ ? QByteArrayLiteral("LX200GPS#") : QByteArrayLiteral("LX200 Classic#");
  if (cmd == "D") return model_.slewing() ? QByteArrayLiteral("\x7f#") : QByteArrayLiteral("#");
  if (cmd == "U") {
    high_ = !high_;
    return {};
  }

  // Site and time.
  if (cmd.startsWith("Sg")) {
    const bool good = parseAngle(arg(2), 360, false, v);
    if (good) model_.setWestLongitude(v / 3600.0);
    return ok(good);
  }
  if (cmd.startsWith("St")) {
    const bool good = parseAngle(arg(2), 90, false, v);
    if (good) model_.setLatitude(v / 3600.0);
    return ok(good);
  }
  if (cmd.startsWith("SG")) {
    static const QRegularExpression re(QStringLiteral("^[+-]?\\d{1,2}(\\.\\d)?$"));
    const QByteArray t = arg(2);
    const bool good = re.match(QString::fromLatin1(t)).hasMatch() && std::fabs(t.toDouble()) <= 14;
    if (good) model_.setUtcOffset(t.toDouble());
    return ok(good);
  }
  if (cmd.startsWith("SL")) {
    const QList<int> f = fields(arg(2));
    const bool good = f.size() == 3 && f[0] < 24 && f[1] < 60 && f[2] < 60;
    if (good) model_.setLocalTime(f[0] * 3600 + f[1] * 60 + f[2]);
    return ok(good);
  }
  if (cmd.startsWith("SC")) {
    const QList<int> f = fields(arg(2));
    const QDate d = f.size() == 3 ? QDate(2000 + f[2], f[0], f[1]) : QDate();
    if (!d.isValid()) return QByteArrayLiteral("0");
    model_.setLocalDate(d);
    return QByteArrayLiteral("1Updating Planetary Data#                                #");
  }

  // Targets, slews, syncs.
  if (cmd.startsWith("Sr")) {
    const bool good = parseRa(arg(2), v);
    if (good) model_.setTarget(v, model_.targetDec());
    return ok(good);
  }
  if (cmd.startsWith("Sd")) {
    const bool good = parseAngle(arg(2), 90, false, v);
    if (good) model_.setTarget(model_.targetRa(), v);
    return ok(good);
  }
  if (cmd == "MS") return model_.gotoTarget() ? QByteArrayLiteral("0") : QByteArrayLiteral("1Object Below Horizon#");
  if (cmd == "CM") {
    model_.syncToTarget();
    return QByteArrayLiteral("Coordinates     matched.        #");
  }

  // Hand motion.
  if (cmd == "Q") {
    model_.stopAll();
    return {};
  }
  if (cmd.size() == 2 && (cmd[0] == 'M' || cmd[0] == 'Q') && QByteArray("nsew").contains(cmd[1])) {
    if (cmd[0] == 'M')
      model_.startMove(cmd[1]);
    else
      model_.stopMove(cmd[1]);
    return {};
  }
  if (cmd == "RG") model_.setRate(MountModel::Rate::Guide);
  else if (cmd == "RC") model_.setRate(MountModel::Rate::Center);
  else if (cmd == "RM") model_.setRate(MountModel::Rate::Find);
  else if (cmd == "RS") model_.setRate(MountModel::Rate::Slew);
  return {};
}

QString Lx200Device::stateText() {
  return QStringLiteral("ra=%1 dec=%2 slewing=%3 moving=%4 target=%5,%6 lat=%7 westlon=%8 utc=%9 precision=%10")
      .arg(model_.ra(), 0, 'f', 1)
      .arg(model_.dec(), 0, 'f', 1)
      .arg(model_.slewing() ? 1 : 0)
      .arg(model_.moving() ? 1 : 0)
      .arg(model_.targetRa(), 0, 'f', 1)
      .arg(model_.targetDec(), 0, 'f', 1)
      .arg(model_.latitude(), 0, 'f', 4)
      .arg(model_.westLongitude(), 0, 'f', 4)
      .arg(model_.utcOffset(), 0, 'f', 1)
      .arg(high_ ? QStringLiteral("high") : QStringLiteral("low"));
}

}  // namespace orvan::sim
