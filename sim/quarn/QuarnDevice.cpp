#include "QuarnDevice.h"

#include "IniFile.h"
#include "Vb.h"

#include <QElapsedTimer>
#include <QTimer>
#include <cmath>

namespace orvan::sim {

namespace {
constexpr long long kTurn24 = 1LL << 24;
constexpr long long kZero = 0x800000;

// A count as six upper-case hexadecimal digits of 24-bit offset binary.
QByteArray wire(double count) {
  long long v = (std::llround(count) + kZero) % kTurn24;
  if (v < 0) v += kTurn24;
  return QByteArray::number(v, 16).toUpper().rightJustified(6, '0');
}

bool hexValue(const QByteArray& text, int digits, long long& out) {
  if (text.size() != digits) return false;
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  bool ok = false;
  out = text.toLongLong(&ok, 16);
  return ok;
}

double monotonic() {
  static QElapsedTimer t = [] {
    QElapsedTimer e;
    e.start();
    return e;
  }();
  return static_cast<double>(t.nsecsElapsed()) * 1e-9;
}

QString motor(int d, const char* minus, const char* plus) {
  return d < 0 ? QString::fromLatin1(minus) : d > 0 ? QString::fromLatin1(plus) : QStringLiteral("stopped");
}
}  // namespace

QuarnConfig QuarnConfig::fromFolder(const QString& folder) {
  const QString ini = folder + QStringLiteral("/OrvanMirel.ini");
  QuarnConfig c;
  for (int k = 0; k < 6; ++k)
    c.relayPatterns[k] = ReadIni(ini, "RELAY", QStringLiteral("$%1").arg(21 + k, 3, 10, QChar(u'0')));
  const double pulses = std::fabs(vb::Val(ReadIni(ini, "DOME", "ENC3_PULSES")));
  const bool up = vb::Val(ReadIni(ini, "DOME", "UpDown")) == 1;
  // An encoder turns with the dome whatever the settings say: one count a degree at least.
  c.countsPerDegree = (pulses >= 360 ? pulses / 360.0 : 1.0) * (up ? 1 : -1);
  const double slit = vb::Val(ReadIni(ini, "DOME", "SLIT_TIMER"));
  if (slit > 0) c.dome.slitSeconds = slit;
  return c;
}

QuarnDevice::QuarnDevice(const QuarnConfig& config, std::function<double()> now)
    : config_(config), wiring_(config.relayPatterns), dome_([&] {
        orvan::SimulatedDomeParameters p = config.dome;
        p.countsPerDegree = config.countsPerDegree;
        return p;
      }()),
      now_(now ? std::move(now) : std::function<double()>(monotonic)) {
  last_ = now_();
  for (double& e : encoder_) e = 0;
  garbleCounts_ = config.garbleCounts;
  if (!config.outputsAtStart.isEmpty()) {
    outputs_ = 0;
    for (int k = 0; k < 32 && k < config.outputsAtStart.size(); ++k)
      if (config.outputsAtStart[k] == u'1') outputs_ |= 1u << k;
    driven_ = true;
  }
}

void QuarnDevice::answer(const QByteArray& line) {
  if (config_.replyDelayMs <= 0) {
    reply(line);
    return;
  }
  // A slow controller: half the reply after half the delay, the rest at its end.
  const int ms = config_.replyDelayMs;
  const QByteArray first = line.left(line.size() / 2), rest = line.mid(line.size() / 2);
  QTimer::singleShot(ms / 2, &late_, [this, first] { reply(first); });
  QTimer::singleShot(ms, &late_, [this, rest] { reply(rest); });
}

void QuarnDevice::advance() {
  const double t = now_();
  const double dt = t - last_;
  last_ = t;
  if (dt <= 0) return;
  const uint32_t out = driven_ ? outputs_ : 0;
  dome_.advance(dt, wiring_.rotation(out), wiring_.slit(out), true, encoder_[2], [this](double countAtMark) {
    if (!homeArmed_) return;
    // The counter takes the preset at the mark and counts on from there.
    encoder_[2] = homePreset_ + (encoder_[2] - countAtMark);
    homeArmed_ = false;
    homePassed_ = true;
  });
}

void QuarnDevice::receive(const QByteArray& bytes) {
  pending_ += bytes;
  for (;;) {
    const qsizetype end = pending_.indexOf('\r');
    if (end < 0) {
      if (pending_.size() > 256) pending_.clear();  // never a command: drop it
      return;
    }
    QByteArray line = pending_.left(end);
    pending_.remove(0, end + 1);
    // Line noise before a command is not part of it.
    const qsizetype dollar = line.indexOf('$');
    if (dollar < 0) {
      if (!line.trimmed().isEmpty()) ++rejected_;
      continue;
    }
    line = line.mid(dollar);
    command(line + '\r');
    QByteArray body = line.mid(1);
    if (body.endsWith('#')) body.chop(1);
    advance();
    answer(execute(body) + '\r');
  }
}

QByteArray QuarnDevice::counts() {
  if (garbleCounts_) {
    // A noisy line: the count's digits hit, the reply cut short, or nothing but the ending.
    switch (garbled_++ % 3) {
      case 0: return "$11 " + wire(encoder_[0]) + ' ' + wire(encoder_[1]) + " 8?\x7f" "0 0";
      case 1: return "$11 " + wire(encoder_[0]).left(3);
      default: return QByteArray();
    }
  }
  QByteArray e3 = wire(encoder_[2]);
  if (glitch_) {
    glitch_ = false;
    e3 = wire(encoder_[2] + 180.0 * std::fabs(config_.countsPerDegree));
  }
  return "$11 " + wire(encoder_[0]) + ' ' + wire(encoder_[1]) + ' ' + e3;
}

QByteArray QuarnDevice::execute(const QByteArray& body) {
  const QByteArray code = body.left(2).toUpper();
  const QByteArray arg = body.mid(2);
  long long v = 0;
  if (code == "00" && arg.isEmpty()) {
    outputs_ = 0;
    driven_ = true;
    return "$00";
  }
  if (code == "11" && arg.isEmpty()) return counts();
  if (code == "12" && !arg.isEmpty() && arg.size() <= 32) {
    if (!driven_) outputs_ = 0;  // the first setting clears the power-up state
    driven_ = true;
    for (int k = 0; k < arg.size(); ++k) {
      if (arg[k] == '1') outputs_ |= 1u << k;
      if (arg[k] == '0') outputs_ &= ~(1u << k);
    }
    return "$12";
  }
  if (code == "13" && arg.isEmpty()) {
    uint32_t groups = 0;  // output k at bit 32 - k
    const uint32_t out = reported();
    for (int k = 0; k < 32; ++k)
      if (out & (1u << k)) groups |= 1u << (31 - k);
    return "$13" + QByteArray::number(groups, 16).toUpper().rightJustified(8, '0');
  }
  if ((code == "01" || code == "02" || code == "03") && hexValue(arg, 6, v)) {
    encoder_[code[1] - '1'] = static_cast<double>(v - kZero);
    return "$" + code;
  }
  if (code == "07" && hexValue(arg, 6, v)) {
    homePreset_ = static_cast<double>(v - kZero);
    return "$07";
  }
  if (code == "09" && hexValue(arg, 4, v) && (v == 0x10 || v == 0)) {
    homeArmed_ = v == 0x10;
    if (homeArmed_) homePassed_ = false;
    return "$09";
  }
  if (code == "0A" && arg.isEmpty()) return QByteArray("$0A03") + (homePassed_ ? '0' : '1');
  ++rejected_;
  return "$NG";
}

QString QuarnDevice::stateText() {
  advance();
  QString bits;
  for (int k = 0; k < 32; ++k) bits += (outputs_ & (1u << k)) ? u'1' : u'0';
  const uint32_t out = driven_ ? outputs_ : 0;
  return QStringLiteral("azimuth=%1 speed=%2 slit=%3 rotation=%4 slitMotor=%5 outputs=%6 count=%7 home=%8 mark=%9 rejected=%10")
      .arg(dome_.azimuth, 0, 'f', 2)
      .arg(dome_.speed, 0, 'f', 2)
      .arg(dome_.slit, 0, 'f', 3)
      .arg(motor(wiring_.rotation(out), "decreasing", "increasing"), motor(wiring_.slit(out), "closing", "opening"),
           bits)
      .arg(std::llround(encoder_[2]))
      .arg((outputs_ >> 31) & 1)
      .arg(homePassed_ ? QStringLiteral("passed") : homeArmed_ ? QStringLiteral("armed") : QStringLiteral("off"))
      .arg(rejected_);
}

QString QuarnDevice::control(const QStringList& words) {
  if (words.size() == 1 && words[0] == u"glitch") {
    glitch_ = true;
    return QStringLiteral("ok");
  }
  if (words.size() == 2 && words[0] == u"garble-counts" && (words[1] == u"on" || words[1] == u"off")) {
    garbleCounts_ = words[1] == u"on";
    return QStringLiteral("ok");
  }
  bool ok = false;
  if (words.size() == 3 && words[0] == u"stick") {
    const int n = words[1].toInt(&ok);
    if (!ok || n < 1 || n > 32) return QString();
    const uint32_t bit = 1u << (n - 1);
    if (words[2] == u"off") {
      stuckMask_ &= ~bit;
    } else if (words[2] == u"0" || words[2] == u"1") {
      stuckMask_ |= bit;
      stuckValue_ = words[2] == u"1" ? (stuckValue_ | bit) : (stuckValue_ & ~bit);
    } else {
      return QString();
    }
    return QStringLiteral("ok");
  }
  if (words.size() == 2 && words[0] == u"azimuth") {
    const double az = words[1].toDouble(&ok);
    if (!ok || !std::isfinite(az)) return QString();
    advance();
    dome_.azimuth = std::fmod(std::fmod(az, 360.0) + 360.0, 360.0);
    return QStringLiteral("ok");
  }
  return QString();
}

}  // namespace orvan::sim
