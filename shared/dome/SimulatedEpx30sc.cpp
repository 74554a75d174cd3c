#include "SimulatedEpx30sc.h"

#include "IniFile.h"
#include "Vb.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orvan {

namespace {

constexpr char kStateFile[] = "EPX30SC.state";
constexpr char kStatusFile[] = "EPX30SC.status";
constexpr char kWeatherFile[] = "EPX30SC.weather";
constexpr char kLockFile[] = "EPX30SC.lock";

QHash<QString, QString> readKeyValues(const QString& path) {
  QHash<QString, QString> kv;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return kv;
  while (!f.atEnd()) {
    const QString line = QString::fromUtf8(f.readLine()).trimmed();
    const int eq = line.indexOf(u'=');
    if (eq > 0) kv.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
  }
  return kv;
}

// Written beside and renamed into place, so a reader never sees half a file. No flush to
// disk: the files change several times a second and a lost update costs nothing.
// Writes the file only when its text changed (or it went missing): an idle dome costs no disk
// writes and next to no processor time.
void writeKeyValues(const QString& path, const QList<QPair<QString, QString>>& kv, QByteArray& lastWritten) {
  QByteArray text;
  for (const auto& [k, v] : kv) text += k.toUtf8() + '=' + v.toUtf8() + '\n';
  if (text == lastWritten && QFile::exists(path)) return;
  lastWritten = text;
  const QString temp = path + ".new";
  QFile f(temp);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
  const bool written = f.write(text) == text.size();
  f.close();
  if (!written || std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0) {
    QFile::remove(temp);
  }
}

double monotonicSeconds() {
  static QElapsedTimer timer = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return static_cast<double>(timer.nsecsElapsed()) * 1e-9;
}

QString motorText(int d, const char* minus, const char* plus) {
  return d < 0 ? QString::fromLatin1(minus) : d > 0 ? QString::fromLatin1(plus) : QStringLiteral("stopped");
}

}  // namespace

SimulatedBoardConfig SimulatedBoardConfig::fromSettings(const QString& iniPath) {
  SimulatedBoardConfig c;
  for (int k = 0; k < 6; ++k) {
    c.relayPatterns[k] = ReadIni(iniPath, "RELAY", QStringLiteral("$%1").arg(21 + k, 3, 10, QChar(u'0')));
  }
  c.pulsesPerTurn = static_cast<int32_t>(vb::Val(ReadIni(iniPath, "DOME", "ENC3_PULSES")));
  c.countsUp = vb::Val(ReadIni(iniPath, "DOME", "UpDown")) == 1;
  c.dome.slitSeconds = vb::Val(ReadIni(iniPath, "DOME", "SLIT_TIMER"));
  return c;
}

SimulatedEpx30sc::SimulatedEpx30sc(const QString& folder, const SimulatedBoardConfig& config,
                                   std::function<double()> now)
    : folder_(folder), config_(config), wiring_(config.relayPatterns), dome_([&] {
        SimulatedDomeParameters p = config.dome;
        // The encoder turns with the dome whatever the settings say; a count of 0 per turn
        // would be a broken encoder, so it still counts (one count a degree).
        const double pulses = config.pulsesPerTurn != 0 ? std::fabs(double(config.pulsesPerTurn)) : 360.0;
        p.countsPerDegree = pulses / 360.0 * (config.countsUp ? 1.0 : -1.0);
        return p;
      }()),
      now_(now ? std::move(now) : std::function<double()>(monotonicSeconds)) {
  QDir().mkpath(folder_);
  lastTime_ = now_();
  loadState();
  loadStatus();
}

SimulatedEpx30sc::~SimulatedEpx30sc() {
  if (open_) {
    advance();
    persist(true);
  }
}

void SimulatedEpx30sc::loadState() {
  // Without the file the board has just been powered up: everything 0, all ports inputs.
  const auto kv = readKeyValues(folder_ + "/" + kStateFile);
  for (int p = 0; p < 3; ++p) direction_[p] = static_cast<uint8_t>(kv.value(QStringLiteral("direction%1").arg(p)).toInt() & 1);
  for (int p = 0; p < 2; ++p) port_[p] = static_cast<uint8_t>(kv.value(QStringLiteral("port%1").arg(p)).toInt());
  counter_ = kv.value("counter").toDouble();
  if (!std::isfinite(counter_) || std::fabs(counter_) > 2e9) counter_ = 0;
  latchFlag_ = kv.value("latchFlag").toInt();
  latchValue_ = kv.value("latchValue").toInt();
  counterMode_ = kv.value("counterMode").toInt();
  counterDirection_ = kv.value("counterDirection").toInt();
  counterControl_ = kv.value("counterControl").toInt();
}

void SimulatedEpx30sc::loadStatus() {
  const auto kv = readKeyValues(folder_ + "/" + kStatusFile);
  bool ok = false;
  const double az = kv.value("azimuth").toDouble(&ok);
  if (ok && std::isfinite(az)) dome_.azimuth = std::fmod(std::fmod(az, 360.0) + 360.0, 360.0);
  const double slit = kv.value("slit").toDouble(&ok);
  if (ok && slit >= 0 && slit <= 1) dome_.slit = slit;
}

void SimulatedEpx30sc::saveState() {
  QList<QPair<QString, QString>> kv;
  for (int p = 0; p < 3; ++p) kv.append({QStringLiteral("direction%1").arg(p), QString::number(direction_[p])});
  for (int p = 0; p < 2; ++p) kv.append({QStringLiteral("port%1").arg(p), QString::number(port_[p])});
  kv.append({QStringLiteral("counter"), QString::number(counter_, 'f', 4)});
  kv.append({QStringLiteral("latchFlag"), QString::number(latchFlag_)});
  kv.append({QStringLiteral("latchValue"), QString::number(latchValue_)});
  kv.append({QStringLiteral("counterMode"), QString::number(counterMode_)});
  kv.append({QStringLiteral("counterDirection"), QString::number(counterDirection_)});
  kv.append({QStringLiteral("counterControl"), QString::number(counterControl_)});
  writeKeyValues(folder_ + "/" + kStateFile, kv, lastState_);
}

void SimulatedEpx30sc::writeStatus() {
  const uint16_t out = outputs();
  QString bits;
  for (int k = 0; k < 16; ++k) bits += (out & (1u << k)) ? u'1' : u'0';
  QList<QPair<QString, QString>> kv;
  kv.append({QStringLiteral("board"), "simulated"});
  kv.append({QStringLiteral("open"), open_ ? "1" : "0"});
  kv.append({QStringLiteral("outputs"), bits});
  kv.append({QStringLiteral("rotation"), motorText(wiring_.rotation(out), "decreasing", "increasing")});
  kv.append({QStringLiteral("slitMotor"), motorText(wiring_.slit(out), "closing", "opening")});
  kv.append({QStringLiteral("azimuth"), QString::number(dome_.azimuth, 'f', 3)});
  kv.append({QStringLiteral("speed"), QString::number(dome_.speed, 'f', 3)});
  kv.append({QStringLiteral("slit"), QString::number(dome_.slit, 'f', 3)});
  kv.append({QStringLiteral("counter"), QString::number(std::llround(counter_))});
  kv.append({QStringLiteral("homeMemory"), QString::number(direction_[2])});
  lastWeather_ = readWeather();
  kv.append({QStringLiteral("weather"), QString::number(lastWeather_)});
  kv.append({QStringLiteral("wiring"), wiring_.describe()});
  writeKeyValues(folder_ + "/" + kStatusFile, kv, lastStatus_);
}

void SimulatedEpx30sc::persist(bool force) {
  const double t = now_();
  // Once a second is enough for a watcher and keeps the disk quiet during a long rehearsal.
  if (!force && t - lastPersist_ < 1.0) return;
  lastPersist_ = t;
  // A board at rest writes nothing new: its files are formatted again only when the board's
  // memory or the mechanics moved, and every ten seconds in any case (the weather file, or a
  // status file someone deleted).
  const Fingerprint now = fingerprint();
  if (!force && now == lastFingerprint_) {
    if (t - lastFullPersist_ < 10.0) return;
    lastFullPersist_ = t;
    // At rest, the ten-second look only asks whether something outside changed, which costs
    // far less than formatting both files again.
    if (readWeather() == lastWeather_ && QFile::exists(folder_ + "/" + kStateFile) &&
        QFile::exists(folder_ + "/" + kStatusFile))
      return;
  }
  lastFingerprint_ = now;
  lastFullPersist_ = t;
  saveState();
  writeStatus();
}

SimulatedEpx30sc::Fingerprint SimulatedEpx30sc::fingerprint() const {
  // The files show the counter to 4 decimals and the mechanics to 3.
  return {std::llround(counter_ * 1e4), std::llround(dome_.azimuth * 1e3), std::llround(dome_.speed * 1e3),
          std::llround(dome_.slit * 1e3), latchValue_, latchFlag_, counterMode_, counterDirection_,
          counterControl_, outputs(), direction_, open_};
}

void SimulatedEpx30sc::advance() {
  const double t = now_();
  const double dt = t - lastTime_;
  lastTime_ = t;
  if (dt <= 0) return;
  const uint16_t out = outputs();
  dome_.advance(dt, wiring_.rotation(out), wiring_.slit(out), counterControl_ == 1, counter_,
                [this](double countAtIndex) {
                  latchValue_ = static_cast<int32_t>(std::llround(countAtIndex));
                  latchFlag_ = 1;
                });
  persist(false);
}

void SimulatedEpx30sc::advanceNow() { advance(); }

void SimulatedEpx30sc::setDomeAzimuth(double azimuth) {
  advance();
  dome_.azimuth = std::fmod(std::fmod(azimuth, 360.0) + 360.0, 360.0);
  persist(true);
}

int SimulatedEpx30sc::readWeather() const {
  QFile f(folder_ + "/" + kWeatherFile);
  if (!f.open(QIODevice::ReadOnly)) return 255;
  bool ok = false;
  const int v = QString::fromUtf8(f.readAll()).trimmed().toInt(&ok, 0);
  return ok && v >= 0 && v <= 255 ? v : 255;
}

void SimulatedEpx30sc::setWeatherByte(int value) {
  QSaveFile f(folder_ + "/" + kWeatherFile);
  if (f.open(QIODevice::WriteOnly)) {
    f.write(QByteArray::number(value & 0xFF) + "\n");
    f.commit();
  }
}

int32_t SimulatedEpx30sc::EPX30SC_GetNumberOfDevices(int32_t& count) {
  count = 1;
  return 0;
}

int32_t SimulatedEpx30sc::EPX30SC_Open(int32_t& handle) {
  if (open_) {
    handle = kHandle;
    return 0;
  }
  // Only one program at a time can hold the board, as with the real USB device.
  lock_ = std::make_unique<QLockFile>(folder_ + "/" + kLockFile);
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(0)) {
    lock_.reset();
    return kErrorInUse;
  }
  loadState();  // another program may have used the board since this object was made
  loadStatus();
  lastTime_ = now_();
  open_ = true;
  handle = kHandle;
  persist(true);
  return 0;
}

int32_t SimulatedEpx30sc::EPX30SC_Close(int32_t handle) {
  if (!valid(handle)) return kErrorNotOpen;
  advance();
  open_ = false;
  persist(true);
  lock_.reset();
  return 0;
}

int32_t SimulatedEpx30sc::EPX30SC_SetCounterMode(int32_t handle, int32_t mode) {
  if (!valid(handle)) return kErrorNotOpen;
  advance();
  counterMode_ = mode;
  persist(true);
  return 0;
}

int32_t SimulatedEpx30sc::EPX30SC_SetCounterDirection(int32_t handle, int32_t direction) {
  if (!valid(handle)) return kErrorNotOpen;
  advance();
  counterDirection_ = direction;
  persist(true);
  return 0;
}

int32_t SimulatedEpx30sc::EPX30SC_SetCounterControl(int32_t handle, int32_t control) {
  if (!valid(handle)) return kErrorNotOpen;
  advance();
  counterControl_ = control;
  persist(true);
  return 0;
}

int32_t SimulatedEpx30sc::EPX30SC_ResetCounter(int32_t handle) {
  if (!valid(handle)) return kErrorNotOpen;
  advance();
  counter_ = 0;
  persist(true);
  return 0;
}

int32_t SimulatedEpx30sc::EPX30SC_GetCounterValue(int32_t handle, int32_t& value) {
  if (!valid(handle)) return kErrorNotOpen;
  advance();
  value = static_cast<int32_t>(std::llround(counter_));
  return 0;
}

int32_t SimulatedEpx30sc::EPX30SC_GetCounterLatchFlag(int32_t handle, int32_t& flag) {
  if (!valid(handle)) return kErrorNotOpen;
  advance();
  flag = latchFlag_;
  return 0;
}

int32_t SimulatedEpx30sc::EPX30SC_GetCounterLatchValue(int32_t handle, int32_t& value) {
  if (!valid(handle)) return kErrorNotOpen;
  advance();
  value = latchValue_;
  latchFlag_ = 0;
  persist(true);
  return 0;
}

int32_t SimulatedEpx30sc::EPX30SC_SetPortDirection(int32_t handle, int32_t port, int32_t direction) {
  if (!valid(handle)) return kErrorNotOpen;
  if (port < 0 || port > 2) return kErrorBadPort;
  advance();
  direction_[port] = static_cast<uint8_t>(direction & 1);
  persist(true);
  return 0;
}

int32_t SimulatedEpx30sc::EPX30SC_GetPortDirection(int32_t handle, int32_t port, uint8_t& direction) {
  if (!valid(handle)) return kErrorNotOpen;
  if (port < 0 || port > 2) return kErrorBadPort;
  direction = direction_[port];
  return 0;
}

int32_t SimulatedEpx30sc::EPX30SC_OutputPort(int32_t handle, int32_t port, uint8_t value) {
  if (!valid(handle)) return kErrorNotOpen;
  if (port < 0 || port > 2) return kErrorBadPort;
  advance();  // the motors ran with the old outputs up to now
  if (port < 2 && direction_[port] == 1) port_[port] = value;
  persist(true);
  return 0;
}

int32_t SimulatedEpx30sc::EPX30SC_InputPort(int32_t handle, int32_t port, uint8_t& value) {
  if (!valid(handle)) return kErrorNotOpen;
  if (port < 0 || port > 2) return kErrorBadPort;
  advance();
  value = port == 2 ? static_cast<uint8_t>(readWeather()) : port_[port];
  return 0;
}


}  // namespace orvan
