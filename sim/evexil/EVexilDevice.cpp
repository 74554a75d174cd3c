#include "EVexilDevice.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <utility>

namespace orvan::sim {

namespace {

QByteArray hex(uint32_t v, int width) { return QByteArray::number(v, 16).toUpper().rightJustified(width, '0'); }

QRegularExpressionMatch match(const char* pattern, const QByteArray& text) {
  return QRegularExpression(QString::fromLatin1(pattern)).match(QString::fromLatin1(text));
}

uint32_t hexValue(const QString& digits) { return digits.toUInt(nullptr, 16); }

const QByteArray kOk = QByteArrayLiteral("OK");
const QByteArray kUnknown = QByteArrayLiteral("?");
// Hand speeds 1 to 3 as multiples of the sidereal rate of the axis; speed 4 is the slew rate.
constexpr double kHandTimesSidereal[] = {2, 16, 128};

}  // namespace

EVexilDevice::EVexilDevice(Config config) : cfg_(config), siderealFreq_(config.rev1) { clock_.start(); }

void EVexilDevice::receive(const QByteArray& bytes) {
  pending_ += bytes;
  for (qsizetype end; (end = pending_.indexOf('\r')) >= 0;) {
    QByteArray line = pending_.left(end);
    pending_.remove(0, end + 1);
    command(line + '\r');
    const bool lost = std::exchange(overflow_, false);
    // The line feed of a client that ends its lines with CR LF belongs to no command.
    while (line.startsWith('\n')) line.remove(0, 1);
    QByteArray answer = lost ? kUnknown : execute(line);
    if (answer == kUnknown) ++unknown_;
    // A move taken whose acknowledgement never reaches the computer.
    if (answer == kOk && line.startsWith("DV") && line.contains('#') && cfg_.lostMoveReplies > 0) {
      --cfg_.lostMoveReplies;
      continue;
    }
    reply(answer + '\r');
  }
  if (pending_.size() > 64) {  // far longer than any command: noise, answered "?" at its end
    pending_.clear();
    overflow_ = true;
  }
}

QByteArray EVexilDevice::execute(const QByteArray& cmd) {
  advance();
  if (cmd == "RD") return "RD=" + hex(cfg_.rev1, 8) + ',' + hex(cfg_.rev2, 8);
  if (cmd == "GP") {
    const qint64 now = clock_.elapsed();
    return "GP=" + hex(static_cast<uint32_t>(counterAt(0, now)), 8) + ',' + hex(static_cast<uint32_t>(counterAt(1, now)), 8);
  }
  if (cmd == "PA") return "PA=" + hex(pa_[0], 2) + ',' + hex(pa_[1], 2);
  if (cmd == "SL") return cfg_.newFirmware ? "SL=" + hex(sl_[0], 2) + ',' + hex(sl_[1], 2) : kUnknown;
  if (cmd == "VR") return cfg_.newFirmware ? QByteArrayLiteral("VR=E-Vexil SIM 2.10") : kUnknown;
  if (cmd == "ST") return "ST" + letters(axes_[0]) + letters(axes_[1]);
  if (cmd == "SP0") {  // everything stands, tracking too
    const qint64 now = clock_.elapsed();
    tracking_ = false;
    stand(0, now);
    stand(1, now);
    return kOk;
  }
  if (cmd == "SP1") {  // hand runs stop and tracking goes on; a positioning move finishes first
    const qint64 now = clock_.elapsed();
    tracking_ = true;
    for (int k = 0; k < 2; ++k)
      if (axes_[k].motion != Motion::Position) stand(k, now);
    return kOk;
  }
  if (cmd.startsWith("DV")) return motion(cmd);
  if (cmd.startsWith("RD#") || cmd.startsWith("RD&") || cmd.startsWith("PA#") || cmd.startsWith("SL#")) return write(cmd);
  return kUnknown;
}

// "DVRAF3" runs the hour axis forward at speed 3 until told otherwise; "DVDCR4#00001000"
// moves the declination axis 4096 counts in reverse at speed 4 and stops on that count.
// A new motion command on an axis replaces whatever the axis was doing.
QByteArray EVexilDevice::motion(const QByteArray& cmd) {
  const auto m = match("^DV(RA|DC)([FR])([1-4])(?:#([0-9A-Fa-f]{8}))?$", cmd);
  if (!m.hasMatch()) return kUnknown;
  const int k = m.captured(1) == u"RA" ? 0 : 1;
  const char dir = m.captured(2) == u"F" ? 'F' : 'R';
  const int speed = m.captured(3).toInt();
  const qint64 now = clock_.elapsed();
  if (!m.hasCaptured(4)) {
    begin(k, Motion::Run, dir, speed, -1, now);
  } else {
    if (speed != 4) return kUnknown;  // positioning runs at the slew speed only
    begin(k, Motion::Position, dir, speed, hexValue(m.captured(4)), now);
    advance();  // a move of no counts is over at once
  }
  return kOk;
}

// The parameter writes of the configuration utility. New counts per turn or slow-down counts
// re-initialise the controller: everything stands and both counters restart at 0.
QByteArray EVexilDevice::write(const QByteArray& cmd) {
  if (const auto m = match("^RD#([0-9A-Fa-f]{8})#([0-9A-Fa-f]{8})$", cmd); m.hasMatch()) {
    const uint32_t r1 = hexValue(m.captured(1)), r2 = hexValue(m.captured(2));
    if (r1 == 0 || r2 == 0) return kUnknown;  // a turn of no counts cannot be driven
    cfg_.rev1 = r1;
    cfg_.rev2 = r2;
    resetCounters();
    return kOk;
  }
  if (const auto m = match("^RD&(\\d{8})$", cmd); m.hasMatch()) {
    const uint32_t f = m.captured(1).toUInt();
    if (f == 0) return kUnknown;
    if (!cfg_.jp5) {  // with the jumper on the controller acknowledges but keeps its value
      fold(0, clock_.elapsed());
      siderealFreq_ = f;
      if (axes_[0].tracking) axes_[0].rate = trackRate();
    }
    return kOk;
  }
  if (const auto m = match("^(PA|SL)#([0-9A-Fa-f]{2})#([0-9A-Fa-f]{2})$", cmd); m.hasMatch()) {
    if (m.captured(1) == u"SL" && !cfg_.newFirmware) return kUnknown;
    auto& pair = m.captured(1) == u"PA" ? pa_ : sl_;
    pair = {static_cast<int>(hexValue(m.captured(2))), static_cast<int>(hexValue(m.captured(3)))};
    resetCounters();
    return kOk;
  }
  return kUnknown;
}

void EVexilDevice::resetCounters() {
  const qint64 now = clock_.elapsed();
  tracking_ = false;
  for (int k = 0; k < 2; ++k) {
    stand(k, now);
    axes_[k].base = 0;
  }
}

double EVexilDevice::speedRate(int k, int speed) const {
  const double slew = cfg_.slewDegPerSec / 360.0 * rev(k);
  if (speed >= 4) return slew;
  return std::min(slew, kHandTimesSidereal[speed - 1] * rev(k) / 86164.0905);
}

qint64 EVexilDevice::travelled(const Axis& a, qint64 atMs) const {
  if (a.rate == 0 || atMs <= a.sinceMs) return 0;
  auto steps = static_cast<qint64>(std::floor(std::fabs(a.rate) * static_cast<double>(atMs - a.sinceMs) / 1000.0));
  if (a.limit >= 0) steps = std::min(steps, a.limit);
  return a.rate < 0 ? -steps : steps;
}

void EVexilDevice::fold(int k, qint64 atMs) {
  Axis& a = axes_[k];
  if (atMs < a.sinceMs) return;  // a move that has not started yet has nothing to fold
  const qint64 d = travelled(a, atMs);
  a.base += static_cast<uint32_t>(d);  // wraps at 32 bits like the hardware counter
  if (a.tracking) tracked_ += d;
  // A run or tracking keeps the part of a step it has not made yet: folding at every command
  // must not lose a fraction of a count each time.
  if (a.limit < 0 && a.rate != 0)
    a.sinceMs += static_cast<qint64>(std::llround(static_cast<double>(std::llabs(d)) * 1000.0 / std::fabs(a.rate)));
  else
    a.sinceMs = atMs;
  if (a.limit >= 0) a.limit -= std::llabs(d);
}

void EVexilDevice::begin(int k, Motion m, char dir, int speed, qint64 limit, qint64 atMs) {
  fold(k, atMs);
  Axis& a = axes_[k];
  a.motion = m;
  a.dir = dir;
  a.speed = speed;
  a.tracking = false;
  a.limit = limit;
  // A positioning move taken now starts a little later on a slow controller.
  if (m == Motion::Position) {
    atMs += static_cast<qint64>(cfg_.startDelaySec * 1000);
    a.sinceMs = atMs;
  }
  const double r = speedRate(k, speed);
  a.rate = dir == 'F' ? r : -r;
  // Capped far beyond any night, so that a crawl of a huge count stays a valid time.
  if (limit >= 0) a.untilMs = atMs + static_cast<qint64>(std::min(1e15, std::ceil(static_cast<double>(limit) * 1000.0 / r)));
}

void EVexilDevice::stand(int k, qint64 atMs) {
  fold(k, atMs);
  Axis& a = axes_[k];
  a.motion = Motion::Idle;
  a.speed = 0;
  a.limit = -1;
  a.tracking = k == 0 && tracking_;
  a.rate = a.tracking ? trackRate() : 0;
}

void EVexilDevice::advance() {
  for (int k = 0; k < 2; ++k) {
    Axis& a = axes_[k];
    if (a.motion != Motion::Position || clock_.elapsed() < a.untilMs) continue;
    // The move ended exactly on its count at `untilMs`; tracking resumes from then.
    a.base += static_cast<uint32_t>(a.rate < 0 ? -a.limit : a.limit);
    a.limit = 0;
    a.rate = 0;
    stand(k, a.untilMs);
  }
}

int32_t EVexilDevice::counterAt(int k, qint64 atMs) const {
  const Axis& a = axes_[k];
  return static_cast<int32_t>(a.base + static_cast<uint32_t>(travelled(a, atMs)));
}

// State letter, direction letter and speed digit as "ST" reports them for one axis.
QByteArray EVexilDevice::letters(const Axis& a) const {
  // A positioning move that has not started yet reads as idle.
  const bool waiting = a.motion == Motion::Position && clock_.elapsed() < a.sinceMs;
  const char state = a.motion == Motion::Idle || waiting ? 'I' : a.motion == Motion::Run ? 'B' : 'P';
  return QByteArray(1, state) + a.dir + static_cast<char>('0' + a.speed);
}

QString EVexilDevice::stateText() {
  advance();
  const qint64 now = clock_.elapsed();
  return QStringLiteral("count1=%1 count2=%2 rev1=%3 rev2=%4 tracking=%5 axis1=%6 axis2=%7 pa=%8,%9 sl=%10 freq=%11 "
                        "tracked1=%12 unknown=%13")
      .arg(counterAt(0, now))
      .arg(counterAt(1, now))
      .arg(cfg_.rev1)
      .arg(cfg_.rev2)
      .arg(tracking_ ? 1 : 0)
      .arg(QString::fromLatin1(letters(axes_[0])), QString::fromLatin1(letters(axes_[1])))
      .arg(pa_[0])
      .arg(pa_[1])
      .arg(cfg_.newFirmware ? QStringLiteral("%1,%2").arg(sl_[0]).arg(sl_[1]) : QStringLiteral("-"))
      .arg(siderealFreq_)
      .arg(tracked_ + (axes_[0].tracking ? travelled(axes_[0], now) : 0))
      .arg(unknown_);
}

}  // namespace orvan::sim
