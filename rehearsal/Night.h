#pragma once
// What a rehearsed night needs from outside the controller: the demo observatory laid out by
// scripts/demo-folder.sh, the LX200GPS simulator program, a planetarium program's end of the
// virtual port, the simulated board's status file, and the sky worked out independently of
// the controller's own astronomy (mean sidereal time from the published formula, the
// textbook altitude/azimuth transform) so the expected dome azimuths come from outside.
#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <ctime>
#include <unistd.h>

namespace night {

// The demo observatory (scripts/demo-folder.sh).
constexpr int kMountCom = 3;
constexpr int kVCom = 10;
constexpr double kLatitudeDeg = 35.0 + 40.0 / 60;
constexpr double kEastLongitudeDeg = 139.0 + 44.0 / 60;
constexpr double kDomeRevolve = 3.0;  // DOME_REVOLVE
constexpr double kPi = 3.14159265358979323846;

// The controller reads the computer's clock as the site's local time, and the demo site
// keeps Japan time (TIMEZONE 9.0); run.sh and these tests run everything in that zone.
inline void UseSiteTimeZone() {
  qputenv("TZ", "JST-9");
  tzset();
}

// The built programs: ORVAN_BIN_DIR (set by the test runner), else beside this program.
inline QString binDir() {
  const QByteArray d = qgetenv("ORVAN_BIN_DIR");
  return d.isEmpty() ? QCoreApplication::applicationDirPath() : QString::fromLocal8Bit(d);
}

inline QByteArray slurp(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Lays out a fresh demo folder with the script a user's run.sh uses; the error text, or empty.
inline QString layOutDemo(const QString& folder) {
  QProcess p;
  auto env = QProcessEnvironment::systemEnvironment();
  env.insert("DEMO_MOUNT_COM", QString::number(kMountCom));
  env.insert("DEMO_VCOM", QString::number(kVCom));
  p.setProcessEnvironment(env);
  p.start("bash", {QStringLiteral(ORVAN_SOURCE_DIR) + "/scripts/demo-folder.sh", binDir(), folder, "--fresh"});
  if (!p.waitForFinished(30000) || p.exitCode() != 0)
    return QStringLiteral("demo-folder.sh: ") + QString::fromLocal8Bit(p.readAllStandardError());
  return {};
}

inline bool waitUntil(const std::function<bool()>& cond, int ms, int stepMs = 100) {
  for (int t = 0; t < ms; t += stepMs) {
    if (cond()) return true;
    QThread::msleep(stepMs);
  }
  return cond();
}

// The rehearsals' pace: the mount slews at 20 degrees a second and the simulated board's dome
// turns at 9 (the demo's are 4 and 3); the dome's run-on stays as many degrees, so the night
// passes through the same states, sooner. Set before the controller starts.
inline const QStringList kFastMount{"--slew-rate", "20", "--settle", "0.3"};
inline void UseFastDome() { qputenv("ORVAN_SIM_DOME_RATE", "9"); }

// The LX200GPS simulator program, as run.sh starts it (with `pace` added); stopped when this goes.
class MountSimulator {
 public:
  explicit MountSimulator(const QString& folder, const QStringList& pace = {}) : folder_(folder), pace_(pace) {}
  ~MountSimulator() {
    if (p_.state() != QProcess::NotRunning) {
      p_.terminate();
      if (!p_.waitForFinished(5000)) p_.kill();
      p_.waitForFinished(2000);
    }
  }
  bool start() {
    p_.start(folder_ + "/orvan-sim", QStringList{"lx200gps", "--dir", folder_, "--com", QString::number(kMountCom), "--log",
                                      folder_ + "/lx200gps.log"} + pace_);
    if (!p_.waitForStarted(5000)) return false;
    while (!p_.canReadLine())
      if (!p_.waitForReadyRead(10000)) return false;
    return p_.readLine().startsWith("ready ");
  }
  // "ra=… dec=… slewing=…" from the simulator's control socket, as key/value pairs.
  QHash<QString, QString> state() const {
    QProcess ctl;
    ctl.start(folder_ + "/orvan-sim", {"ctl", "--dir", folder_, "--com", QString::number(kMountCom), "state"});
    ctl.waitForFinished(5000);
    QHash<QString, QString> kv;
    for (const QString& w : QString::fromUtf8(ctl.readAllStandardOutput()).simplified().split(u' ')) {
      const int eq = w.indexOf(u'=');
      if (eq > 0) kv.insert(w.left(eq), w.mid(eq + 1));
    }
    return kv;
  }

 private:
  QString folder_;
  QStringList pace_;
  QProcess p_;
};

// The simulated board's status file: true dome azimuth, motor states.
inline QHash<QString, QString> boardStatus(const QString& folder) {
  QHash<QString, QString> kv;
  for (const QByteArray& line : slurp(folder + "/EPX30SC.status").split('\n')) {
    const int eq = line.indexOf('=');
    if (eq > 0) kv.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)).trimmed());
  }
  return kv;
}

inline double angleApart(double a, double b) {
  double d = std::fmod(a - b, 360.0);
  if (d > 180) d -= 360;
  if (d < -180) d += 360;
  return std::fabs(d);
}

// Local mean sidereal time in hours at the demo site (IAU 1982 GMST, good to a fraction of a
// second of time these decades, far finer than the dome needs).
inline double localSiderealHours(const QDateTime& utc = QDateTime::currentDateTimeUtc()) {
  const double jd = utc.toMSecsSinceEpoch() / 86400000.0 + 2440587.5;
  double h = std::fmod(18.697374558 + 24.06570982441908 * (jd - 2451545.0) + kEastLongitudeDeg / 15.0, 24.0);
  return h < 0 ? h + 24 : h;
}

// Azimuth in degrees from south through west, as the dome counts it, and altitude in degrees
// of a position of date (hours, degrees).
inline void altAzFromSouth(double raHours, double decDeg, double& azSouth, double& alt) {
  const double d2r = kPi / 180;
  const double H = (localSiderealHours() - raHours) * 15 * d2r;
  const double phi = kLatitudeDeg * d2r, dec = decDeg * d2r;
  alt = std::asin(std::sin(phi) * std::sin(dec) + std::cos(phi) * std::cos(dec) * std::cos(H)) / d2r;
  const double azNorth = std::atan2(-std::cos(dec) * std::sin(H),
                                    std::sin(dec) * std::cos(phi) - std::cos(dec) * std::sin(phi) * std::cos(H)) / d2r;
  azSouth = std::fmod(azNorth + 180 + 720, 360.0);
}

// A planetarium program's end of the controller's virtual port: the path a user gives to
// Stellarium or INDI, opened raw, one command written at a time.
class PlanetariumClient {
 public:
  ~PlanetariumClient() { close(); }
  bool open(const QString& path) {
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd_ < 0) return false;
    termios t{};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    tcsetattr(fd_, TCSANOW, &t);
    return true;
  }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    pending_.clear();
  }
  // Writes the command and reads the reply: `bytes` characters, or up to '#' when 0. Reads
  // whatever has arrived at once, as a planetarium program does; bytes past the reply wait
  // for the next question.
  QByteArray ask(const QByteArray& command, int bytes = 0, int timeoutMs = 5000) {
    if (::write(fd_, command.constData(), command.size()) != command.size()) return "<write failed>";
    for (int waited = 0;;) {
      const qsizetype end = bytes > 0 ? (pending_.size() >= bytes ? bytes : 0) : pending_.indexOf('#') + 1;
      if (end > 0) {
        const QByteArray reply = pending_.left(end);
        pending_.remove(0, end);
        return reply;
      }
      if (waited >= timeoutMs) break;
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) {
        waited += 50;
        continue;
      }
      char buf[256];
      const ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n <= 0) break;
      pending_.append(buf, n);
    }
    return std::exchange(pending_, QByteArray());
  }

 private:
  int fd_ = -1;
  QByteArray pending_;
};

// "HH:MM:SS#" in hours, "sDD*MM:SS#" (any degree mark) in degrees; NaN when unreadable.
inline double sexagesimal(const QByteArray& text) {
  const QString s = QString::fromLatin1(text).remove(u'#');
  if (s.size() < 8) return NAN;
  const bool neg = s.startsWith(u'-');
  const QString body = (s[0] == u'+' || s[0] == u'-') ? s.mid(1) : s;
  const double a = body.mid(0, 2).toDouble(), b = body.mid(3, 2).toDouble(), c = body.mid(6, 2).toDouble();
  const double v = a + b / 60 + c / 3600;
  return neg ? -v : v;
}

inline QByteArray hmsText(double hours) {
  const long s = std::lround(std::fmod(hours + 24, 24.0) * 3600) % 86400;
  char b[32];
  std::snprintf(b, sizeof b, "%02ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  return b;
}

inline QByteArray dmsText(double deg) {
  const long s = std::lround(std::fabs(deg) * 3600);
  char b[32];
  std::snprintf(b, sizeof b, "%c%02ld*%02ld:%02ld", deg < 0 ? '-' : '+', s / 3600, s / 60 % 60, s % 60);
  return b;
}

// The settings file without the lines of the given keys (in any section).
inline std::string withoutKeys(const QByteArray& ini, const QStringList& keys) {
  QByteArray out;
  for (const QByteArray& line : ini.split('\n')) {
    const QString key = QString::fromUtf8(line.left(line.indexOf('='))).trimmed();
    if (line.contains('=') && keys.contains(key, Qt::CaseInsensitive)) continue;
    out += line + '\n';
  }
  return out.toStdString();
}

inline QString iniValue(const QByteArray& ini, const QString& section, const QString& key) {
  QString current;
  for (const QByteArray& raw : ini.split('\n')) {
    const QString line = QString::fromUtf8(raw).trimmed();
    if (line.startsWith(u'[')) current = line.mid(1, line.indexOf(u']') - 1);
    else if (current.compare(section, Qt::CaseInsensitive) == 0 && line.section(u'=', 0, 0).trimmed().compare(key, Qt::CaseInsensitive) == 0)
      return line.section(u'=', 1);
  }
  return {};
}

}  // namespace night
