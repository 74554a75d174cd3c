#include "TemmaDevice.h"

#include <QDate>
#include <cmath>

namespace orvan::sim {

namespace {

QByteArray digits(long long v, int width) { return QByteArray::number(v).rightJustified(width, '0'); }

// The whole text as a number when it is exactly `width` decimal digits; -1 otherwise.
int number(const QByteArray& text, int width) {
  if (text.size() != width) return -1;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
  }
  return v;
}

// "hhmmcc" -> seconds of time.
bool parseRa(const QByteArray& t, double& out) {
  const int h = number(t.left(2), 2), m = number(t.mid(2, 2), 2), c = number(t.mid(4), 2);
  if (h < 0 || h >= 24 || m < 0 || m >= 60 || c < 0) return false;
  out = h * 3600 + m * 60 + c * 0.6;
  return true;
}

// Sign ('+', '-' or a blank) and `degreeWidth` degree digits, "mm" and one tenths-of-a-minute
// digit -> arcseconds, at most `maxDeg`.
bool parseAngle(const QByteArray& t, int degreeWidth, int maxDeg, double& out) {
  if (t.size() != degreeWidth + 4 || (t[0] != '+' && t[0] != '-' && t[0] != ' ')) return false;
  const int d = number(t.mid(1, degreeWidth), degreeWidth), m = number(t.mid(1 + degreeWidth, 2), 2),
            tenths = number(t.right(1), 1);
  if (d < 0 || m < 0 || m >= 60 || tenths < 0) return false;
  const double v = d * 3600.0 + m * 60 + tenths * 6;
  if (v > maxDeg * 3600.0) return false;
  out = t[0] == '-' ? -v : v;
  return true;
}

// "hhmmcc" + "sddmmt": the layout of goto, sync and the position reply.
bool parsePosition(const QByteArray& t, double& ra, double& dec) {
  return t.size() == 12 && parseRa(t.left(6), ra) && parseAngle(t.mid(6), 2, 90, dec);
}

// "hhmmss" -> seconds of the day.
bool parseClock(const QByteArray& t, int& out) {
  const int h = number(t.left(2), 2), m = number(t.mid(2, 2), 2), s = number(t.mid(4), 2);
  if (h < 0 || h >= 24 || m < 0 || m >= 60 || s < 0 || s >= 60) return false;
  out = h * 3600 + m * 60 + s;
  return true;
}

}  // namespace

TemmaDevice::TemmaDevice(Model model, Config config)
    : model_(model), config_(config), mount_(config.mount), hasPosition_(!config.noPosition) {}

void TemmaDevice::receive(const QByteArray& bytes) {
  pending_ += bytes;
  for (;;) {
    qsizetype end = 0;
    while (end < pending_.size() && pending_[end] != '\r' && pending_[end] != '\n') ++end;
    if (end == pending_.size()) break;
    const QByteArray line = pending_.left(end);
    const bool crlf = pending_[end] == '\r' && end + 1 < pending_.size() && pending_[end + 1] == '\n';
    command(pending_.left(end + (crlf ? 2 : 1)));
    pending_.remove(0, end + (crlf ? 2 : 1));
    if (!line.isEmpty()) execute(line);  // the LF of a CR LF split across reads ends nothing
  }
  if (pending_.size() > 256) pending_.clear();  // line noise, never a command
}

bool TemmaDevice::slewing() {
  if (!gotoRunning_) return false;
  if (config_.neverStops || mount_.slewing()) return true;
  gotoRunning_ = false;
  gotoFinished_ = true;
  return false;
}

void TemmaDevice::execute(const QByteArray& cmd) {
  const auto ack = [this](const QByteArray& text) { reply(text + "\r\n"); };
  double ra = 0, dec = 0;
  int secs = 0;
  if (cmd == "E") {
    ack(positionText());
  } else if (cmd == "s") {
    const bool turning = sideChange_.isValid() && sideChange_.elapsed() < config_.sideChangeSec * 1000;
    ack(slewing() || turning ? "s1" : "s0");
  } else if (cmd == "PS") {  // stops a goto; a hand move goes on until "M@"
    if (slewing()) mount_.stopAll();
    gotoRunning_ = false;
  } else if (cmd == "PT") {
    side_ = side_ == 'E' ? 'W' : 'E';
    gotoFinished_ = false;
    sideChange_.start();
  } else if (cmd.startsWith('P')) {
    gotoTarget(cmd.mid(1));
  } else if (cmd.startsWith('D')) {
    const bool ok = parsePosition(cmd.mid(1), ra, dec);
    if (ok) sync(ra, dec);
    ack(ok ? "R0" : "R1");
  } else if (cmd == "Z") {
    sync(mount_.localSiderealSeconds(), mount_.latitude() * 3600);
  } else if (cmd == "M@") {  // stops every motion, a goto too
    mount_.stopAll();
    gotoRunning_ = false;
  } else if (cmd.size() == 2 && cmd[0] == 'M') {
    startMove(cmd[1]);
  } else if (cmd.startsWith('I') && parseAngle(cmd.mid(1), 2, 90, dec)) {
    mount_.setLatitude(dec / 3600);
  } else if (cmd.startsWith('K') && newer() && parseAngle(cmd.mid(1), 3, 180, dec)) {
    eastLon_ = dec / 3600;
    mount_.setWestLongitude(eastLon_ > 0 ? 360 - eastLon_ : -eastLon_);
  } else if (cmd.startsWith('T') && parseClock(cmd.mid(1), secs)) {
    mount_.setLocalSiderealSeconds(secs);
  } else if (cmd.startsWith('J') && newer() && parseClock(cmd.mid(1), secs)) {
    mount_.setLocalTime(secs);
  } else if (cmd.startsWith('N') && newer() && cmd.size() == 7 && number(cmd.mid(1), 6) >= 0) {
    const QDate d(2000 + number(cmd.mid(1, 2), 2), number(cmd.mid(3, 2), 2), number(cmd.mid(5), 2));
    if (d.isValid())
      mount_.setLocalDate(d);
    else
      ++rejected_;
  } else if (newer() && cmd == "STN-COD") {
    ack(standBy_ ? "stn-on" : "stn-off");
  } else if (newer() && (cmd == "STN-ON" || cmd == "STN-OFF")) {
    standBy_ = cmd == "STN-ON";
    mount_.setTracking(!standBy_);
    ack(standBy_ ? "stn-on" : "stn-off");
  } else if (!newer() && (cmd == "v1" || cmd == "v2")) {
    volt_ = cmd == "v1" ? 12 : 24;
    ack(cmd);
  } else if (QByteArray("IKTJN").contains(cmd[0])) {
    ++rejected_;  // a setting it cannot read (or, on an older model, does not have) changes nothing
  }
  // Anything else is not understood and gets no answer.
}

QByteArray TemmaDevice::positionText() {
  if (!hasPosition_) return QByteArrayLiteral("E000000+00000E");
  // A reply with the "F" may be lost on the line: --f-count says how many get through.
  bool finished = !slewing() && gotoFinished_;
  if (finished && config_.fCount >= 0 && fSent_++ >= config_.fCount) finished = false;
  const long long c = std::llround(mount_.ra() / 0.6) % 144000;  // hundredths of a minute
  const double d = mount_.dec();
  const long long t = std::llround(std::fabs(d) / 6);  // tenths of an arcminute
  return 'E' + digits(c / 6000, 2) + digits(c / 100 % 60, 2) + digits(c % 100, 2) + (d < 0 && t > 0 ? '-' : '+') +
         digits(t / 600, 2) + digits(t / 10 % 60, 2) + digits(t % 10, 1) + (finished ? 'F' : side_);
}

// A controller without a position does not know where a goto would go: it stays put.
void TemmaDevice::gotoTarget(const QByteArray& text) {
  double ra = 0, dec = 0;
  if (!hasPosition_ || !parsePosition(text, ra, dec)) {
    ++rejected_;
    return;
  }
  mount_.setTarget(ra, dec);
  if (!mount_.gotoTarget()) {  // below the horizon
    ++rejected_;
    return;
  }
  gotoRunning_ = true;
  gotoFinished_ = false;
  fSent_ = 0;
}

void TemmaDevice::sync(double ra, double dec) {
  mount_.setPosition(ra, dec);
  hasPosition_ = true;
  gotoFinished_ = false;
}

// N "P"/"Q", S "H"/"I", E "B"/"C", W "D"/"E": the second letter of each pair is the fast rate.
void TemmaDevice::startMove(char letter) {
  static const QByteArray letters("PQHIBCDE");
  const qsizetype i = letters.indexOf(letter);
  if (i < 0) {
    ++rejected_;
    return;
  }
  mount_.stopAll();  // one direction at a time; a running goto ends here
  gotoRunning_ = gotoFinished_ = false;
  mount_.setRate(i % 2 ? MountModel::Rate::Slew : MountModel::Rate::Center);
  mount_.startMove("nsew"[i / 2]);
}

QString TemmaDevice::stateText() {
  static const char* names[] = {"temma2m", "temma2", "temmapc"};
  const bool s = slewing();
  return QStringLiteral(
             "model=%1 ra=%2 dec=%3 side=%4 slewing=%5 moving=%6 finished=%7 tracking=%8 standby=%9 position=%10 "
             "lat=%11 eastlon=%12 lst=%13 volt=%14 target=%15,%16 rejected=%17")
      .arg(QString::fromLatin1(names[static_cast<int>(model_)]))
      .arg(mount_.ra(), 0, 'f', 1)
      .arg(mount_.dec(), 0, 'f', 1)
      .arg(QChar::fromLatin1(side_))
      .arg(s ? 1 : 0)
      .arg(mount_.moving() ? 1 : 0)
      .arg(gotoFinished_ ? 1 : 0)
      .arg(mount_.tracking() ? 1 : 0)
      .arg(standBy_ ? 1 : 0)
      .arg(hasPosition_ ? 1 : 0)
      .arg(mount_.latitude(), 0, 'f', 4)
      .arg(eastLon_, 0, 'f', 4)
      .arg(mount_.localSiderealSeconds(), 0, 'f', 0)
      .arg(volt_)
      .arg(mount_.targetRa(), 0, 'f', 1)
      .arg(mount_.targetDec(), 0, 'f', 1)
      .arg(rejected_);
}

}  // namespace orvan::sim
