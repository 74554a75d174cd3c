// The bridge program as the controller meets it: a real ascomconnect on loopback ports of this
// test, with no INDI server at all and then with indiserver running INDI's telescope simulator.
// Only the controller's port is heard; what it sends back is checked byte for byte.
#include "IndiTestServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <gtest/gtest.h>
#include <cmath>
#include <functional>

using namespace orvan::test;

namespace {

bool PumpUntil(const std::function<bool()>& done, int ms) {
  QDeadlineTimer guard(ms);
  while (!done()) {
    if (guard.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// The run's secret the controller hands the bridge in its environment.
const QByteArray kSecret = "p4x8c2n6v0b3m7z1l5k9j3h7g1f5d9s3";

class Ascomconnect : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QUdpSocket controller;
  quint16 bridgePort = FreeLocalPort(true);
  quint16 indiPort = FreeLocalPort(false);
  QProcess server;
  QList<QByteArray> heard;

  void SetUp() override {
    ASSERT_TRUE(controller.bind(QHostAddress::LocalHost, 0));
    QFile ini(dir.filePath("OrvanMirel.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    // A site where the pole stands 35 degrees up: +80 is always above the horizon, -60 never.
    ini.write("[Location]\nLATITUDE=+35:40:00\nLONGITUDE=E139:44:20\nTIMEZONE=9.0\n[ASCOM]\nUse=True\nIndiPort=" +
              QByteArray::number(indiPort) + "\nTelescope=Telescope Simulator\n");
  }
  void TearDown() override {
    if (server.state() != QProcess::NotRunning) {
      server.kill();
      server.waitForFinished(5000);
    }
  }
  // INDI's telescope simulator with the bridge on it; the simulator starts at the pole, and
  // positions come once a second.
  void startOnSimulator(QProcess& bridge) {
    ASSERT_TRUE(StartIndiSimulator(server, indiPort, dir.path(),
                                   [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); }));
    startBridge(bridge);
    ASSERT_TRUE(hear("Name,Telescope Simulator", 30000)) << heard.join('|').constData();
    ASSERT_TRUE(hear("Coodinate,\\d+\\.\\d{7},90\\.000000"));
  }
  void startBridge(QProcess& p, const QByteArray& secret = kSecret) {
    auto env = QProcessEnvironment::systemEnvironment();
    if (!secret.isEmpty()) env.insert("ORVAN_BRIDGE_SECRET", QString::fromLatin1(secret));
    env.insert("ORVAN_PROGRAM_FOLDER", dir.path());
    env.insert("ORVAN_BRIDGE_PORTS", QString("%1,%2").arg(controller.localPort()).arg(bridgePort));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR")) + "/ascomconnect", {});
    ASSERT_TRUE(p.waitForStarted(5000));
  }
  void send(const QByteArray& d) { controller.writeDatagram(kSecret + ' ' + d, QHostAddress::LocalHost, bridgePort); }
  // What the bridge said, without the secret every datagram of it begins with.
  static QByteArray opened(const QByteArray& d) {
    EXPECT_TRUE(d.startsWith(kSecret + ' ')) << d.constData();
    return d.mid(kSecret.size() + 1);
  }
  // Collects what reaches the controller's port until `want` matches one datagram.
  bool hear(const QString& pattern, int ms = 10000) {
    const QRegularExpression re(QRegularExpression::anchoredPattern(pattern));
    return PumpUntil(
        [&] {
          while (controller.hasPendingDatagrams()) {
            const QNetworkDatagram d = controller.receiveDatagram();
            if (d.senderPort() != bridgePort) continue;
            heard << opened(d.data());
            if (re.match(QString::fromUtf8(heard.last())).hasMatch()) return true;
          }
          return false;
        },
        ms);
  }
  // Field 1 (right ascension, hours) or 2 (declination, degrees) of the latest position
  // report, after `ms` of reports.
  double latest(int field, int ms) {
    double v = NAN;
    const QRegularExpression re("^Coodinate,(\\d+\\.\\d{7}),(-?\\d+\\.\\d{6})$");
    PumpUntil(
        [&] {
          while (controller.hasPendingDatagrams()) {
            const auto m = re.match(QString::fromUtf8(opened(controller.receiveDatagram().data())));
            if (m.hasMatch()) v = m.captured(field).toDouble();
          }
          return false;
        },
        ms);
    return v;
  }
  double latestDec(int ms) { return latest(2, ms); }
};

TEST_F(Ascomconnect, WithoutAServerItSaysSoAndNothingElseAnswersButTheController) {
  QProcess bridge;
  startBridge(bridge);
  ASSERT_TRUE(hear(QString("Error,INDIサーバー 127\\.0\\.0\\.1:%1 に接続できません").arg(indiPort)))
      << heard.join('|').constData();
  send("cmdName");
  EXPECT_TRUE(hear("Name,Please choose"));
  send("cmdGoto, 1.5, 30");
  EXPECT_TRUE(hear("Error,望遠鏡が接続されていません"));

  // Another program on a port of its own is not answered.
  QUdpSocket stranger;
  ASSERT_TRUE(stranger.bind(QHostAddress::LocalHost, 0));
  stranger.writeDatagram("cmdName", QHostAddress::LocalHost, bridgePort);
  PumpUntil([&] { return stranger.hasPendingDatagrams(); }, 1500);
  EXPECT_FALSE(stranger.hasPendingDatagrams());

  // Started without the controller's secret it could trust nobody: it ends at once.
  QProcess unsealed;
  startBridge(unsealed, QByteArray());
  ASSERT_TRUE(unsealed.waitForFinished(10000));
  EXPECT_EQ(unsealed.exitCode(), 1);

  // A second bridge finds the port taken and ends at once; the first ends when asked.
  QProcess second;
  startBridge(second);
  ASSERT_TRUE(second.waitForFinished(10000));
  EXPECT_EQ(second.exitCode(), 2);
  send("cmdEnd");
  ASSERT_TRUE(PumpUntil([&] { return bridge.state() == QProcess::NotRunning; }, 10000));
  EXPECT_EQ(bridge.exitCode(), 0);
}

TEST_F(Ascomconnect, DrivesTheSimulatorOnlyForWholeCommandsFromTheController) {
  if (const QString tool = MissingIndiTool(); !tool.isEmpty()) GTEST_SKIP() << tool.toStdString() << " is not installed (indi-bin)";
  QProcess bridge;
  ASSERT_NO_FATAL_FAILURE(startOnSimulator(bridge));

  QUdpSocket stranger;
  ASSERT_TRUE(stranger.bind(QHostAddress::LocalHost, 0));
  stranger.writeDatagram(kSecret + " cmdGoto, 1.5, 60", QHostAddress::LocalHost, bridgePort);
  // From the controller's own port (a program that bound it after the controller died) but
  // without this run's secret, or with another.
  controller.writeDatagram("cmdGoto, 1.5, 60", QHostAddress::LocalHost, bridgePort);
  controller.writeDatagram("p4x8c2n6v0b3m7z1l5k9j3h7g1f5d9s4 cmdGoto, 1.5, 60", QHostAddress::LocalHost, bridgePort);
  for (const char* junk : {"cmdGoto,nan,60", "cmdGoto, 1.5,95", "cmdGoto, 1.5", "cmdGoto, 1.5,60,0", "cmdGoto,1e0,60",
                           "cmdGoto, 24,60", "cmdgoto, 1.5,60", "cmdGoto, 1.5,60\n", ""})
    send(junk);
  EXPECT_GT(latestDec(3000), 89.99);
  // Below the horizon the bridge refuses by itself, whoever let the target through.
  send("cmdGoto, 1.5, -60");
  EXPECT_TRUE(hear("Error,目標が地平線の下です"));
  EXPECT_GT(latestDec(2000), 89.99);

  send("cmdGoto, 1.5, 80");
  EXPECT_TRUE(PumpUntil([&] { return latestDec(1000) < 85; }, 10000));
  send("cmdEnd");
  EXPECT_TRUE(PumpUntil([&] { return bridge.state() == QProcess::NotRunning; }, 10000));
}

// A sync that arrives while the telescope is on its way stops the slew first: the telescope then
// stays on the synced place instead of going on toward the goto's target from there, and it
// tracks (the stop alone leaves it standing, the sky drifting by).
TEST_F(Ascomconnect, ASyncDuringASlewStopsTheSlewFirst) {
  if (const QString tool = MissingIndiTool(); !tool.isEmpty()) GTEST_SKIP() << tool.toStdString() << " is not installed (indi-bin)";
  QProcess bridge;
  ASSERT_NO_FATAL_FAILURE(startOnSimulator(bridge));
  // Targets that never set at the test site (latitude 35.7): the bridge refuses any other at
  // some hour of the day.
  send("cmdGoto, 1.5, 60");
  ASSERT_TRUE(PumpUntil([&] { return latestDec(500) < 88; }, 15000));
  send("cmdSync, 1.5, 75");
  ASSERT_TRUE(PumpUntil([&] { return std::fabs(latestDec(500) - 75) < 0.1; }, 10000));
  // Still there a few reports later, tracking: no slew goes on toward 60 degrees.
  EXPECT_NEAR(latestDec(1000), 75, 0.1);
  const double ra0 = latest(1, 1000);
  EXPECT_NEAR(latest(1, 4000), ra0, 0.0005) << ra0;
  send("cmdEnd");
  EXPECT_TRUE(PumpUntil([&] { return bridge.state() == QProcess::NotRunning; }, 10000));
}

}  // namespace

