#pragma once
// A mount driver against the simulator program: a real child process, a real
// pseudo-terminal reached through the program folder's ports/COM<n>, and the simulator's log
// as the record of the bytes on the line. One fixture for every family.
#include "ACal2.h"
#include "EventLoop.h"
#include "IniFile.h"
#include "Prompter.h"
#include "QtSerialLink.h"
#include "RecordingMountHost.h"
#include "State.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace orvan::testing {

inline QString simProgram() {
  const QByteArray dir = qgetenv("ORVAN_BIN_DIR");
  return (dir.isEmpty() ? QCoreApplication::applicationDirPath() : QString::fromLocal8Bit(dir)) + QStringLiteral("/orvan-sim");
}

template <class Driver>
class DriverOnSimulator : public ::testing::Test {
 protected:
  static constexpr int kCom = 7;

  // `family` is the simulator's: "lx200gps", "rst400", ...
  explicit DriverOnSimulator(const char* family) : family_(QString::fromLatin1(family)), scoped(prompter), cal(state.site, state.mount) {
    ini = dir.path() + QStringLiteral("/OrvanMirel.ini");
    WriteIni(ini, QStringLiteral("LOCATION"), QStringLiteral("LONGITUDE"), QStringLiteral("E139:44:20"));
    WriteIni(ini, QStringLiteral("LOCATION"), QStringLiteral("LATITUDE"), QStringLiteral("+35:40:00"));
    WriteIni(ini, QStringLiteral("LOCATION"), QStringLiteral("TIMEZONE"), QStringLiteral("9.0"));
    state.site.SiteLatitude = 35 * 3600 + 40 * 60;
    state.site.SiteLatitudeRadians = state.site.SiteLatitude / (648000.0 / ACal2::kPi);
    state.site.SiteLongitude = 139 * 3600 + 44 * 60 + 20;
    state.site.TimeZoneSeconds = 9 * 3600;
    state.site.MountType = QStringLiteral("G");
    host.commPort = QStringLiteral("COM") + QString::number(kCom);
    logPath = dir.path() + QStringLiteral("/sim.log");
  }
  ~DriverOnSimulator() override {
    driver.reset();
    if (sim.state() != QProcess::NotRunning) {
      sim.terminate();
      if (!sim.waitForFinished(5000)) sim.kill();
      sim.waitForFinished(2000);
    }
  }

  void startSim(const QStringList& extra = {}) {
    sim.setProgram(simProgram());
    sim.setArguments(QStringList{family_, QStringLiteral("--dir"), dir.path(), QStringLiteral("--com"),
                                 QString::number(kCom), QStringLiteral("--log"), logPath, QStringLiteral("--slew-rate"),
                                 QStringLiteral("30"), QStringLiteral("--settle"), QStringLiteral("0.3")} +
                     extra);
    sim.start();
    ASSERT_TRUE(sim.waitForStarted(5000)) << qPrintable(sim.errorString());
    while (!sim.canReadLine()) ASSERT_TRUE(sim.waitForReadyRead(5000)) << sim.readAllStandardError().constData();
    ASSERT_TRUE(sim.readLine().startsWith("ready "));
    driver = std::make_unique<Driver>(state, host, cal, ini, std::make_unique<QtSerialLink>(dir.path()));
  }

  QByteArray control(const QByteArray& line) {
    QLocalSocket s;
    s.connectToServer(dir.path() + QStringLiteral("/ports/COM%1.ctl").arg(kCom));
    if (!s.waitForConnected(3000)) return {};
    s.write(line + '\n');
    s.flush();
    while (!s.canReadLine())
      if (!s.waitForReadyRead(3000)) return {};
    return s.readLine().trimmed();
  }

  // The commands the simulator received, in order, from its log (line endings left out).
  QStringList received(bool withPolls = true) {
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList out;
    for (const QByteArray& line : f.readAll().split('\n')) {
      const QList<QByteArray> parts = line.split(' ');
      if (parts.size() < 3 || parts[1] != "<-") continue;
      QString cmd = QString::fromLatin1(line.mid(parts[0].size() + 4));
      cmd.remove(QStringLiteral("<0D>")).remove(QStringLiteral("<0A>"));
      if (!withPolls && (cmd == u":GR#" || cmd == u":GD#")) continue;
      out << cmd;
    }
    return out;
  }

  // Whole seconds and arcseconds of (azimuth from the south, altitude) now.
  void targetAt(double az, double alt, double& ra, double& dec) {
    cal.HorizontalToEquatorial(az, alt, ra, dec);
    ra = std::nearbyint(ra);
    dec = std::nearbyint(dec);
  }
  // Seconds of RA between a and b, across midnight too.
  static double raGap(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 86400);
    return std::min(d, 86400 - d);
  }

  // Runs the main loop (a status poll every `loopMs`) until `done` or 30 s.
  bool runMainLoopUntil(const std::function<bool()>& done, int loopMs = 250) {
    QTimer loop;
    QObject::connect(&loop, &QTimer::timeout, [this] { driver->cmdStatus(); });
    loop.start(loopMs);
    for (int i = 0; i < 300 && !done(); ++i) Wait(100);
    loop.stop();
    return done();
  }

  QString family_;
  QTemporaryDir dir;
  QString ini, logPath;
  ScriptedPrompter prompter;
  ScopedPrompter scoped;
  SharedState state;
  RecordingMountHost host;
  ACal2 cal;
  QProcess sim;
  std::unique_ptr<Driver> driver;
};

}  // namespace orvan::testing
