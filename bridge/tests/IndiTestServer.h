#pragma once
// INDI's own server with its telescope simulator, for the tests that drive the bridge program
// against a real INDI telescope (the bridge's tests and the controller's bridge night).
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <functional>

namespace orvan::test {

// A port on the loopback that nothing holds right now.
inline quint16 FreeLocalPort(bool udp) {
  if (udp) {
    QUdpSocket s;
    s.bind(QHostAddress::LocalHost, 0);
    return s.localPort();
  }
  QTcpServer s;
  s.listen(QHostAddress::LocalHost, 0);
  return s.serverPort();
}

// The INDI program a test needs and this machine lacks, or empty (Debian package indi-bin).
inline QString MissingIndiTool() {
  for (const char* tool : {"indiserver", "indi_simulator_telescope"})
    if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) return QString::fromLatin1(tool);
  return {};
}

// Starts indiserver with the telescope simulator on `port`, keeping the simulator's
// configuration under `home`, and waits up to 30 s for it to take connections. `pump` runs
// the caller's events for a moment between tries.
inline bool StartIndiSimulator(QProcess& server, quint16 port, const QString& home, const std::function<void()>& pump) {
  auto env = QProcessEnvironment::systemEnvironment();
  env.insert("HOME", home);
  server.setProcessEnvironment(env);
  server.setStandardOutputFile(QProcess::nullDevice());
  server.setStandardErrorFile(QProcess::nullDevice());
  // Each server gets a local socket of its own: indiserver also listens on an abstract
  // socket, by default "/tmp/indiserver" for every server, and a second one at the same time
  // (another test running beside this one, or the user's own server) would end at once.
  server.start("indiserver", {"-u", QStringLiteral("/tmp/indiserver-orvan-test-%1").arg(port), "-p",
                              QString::number(port), "indi_simulator_telescope"});
  if (!server.waitForStarted(5000)) return false;
  for (int i = 0; i < 150; ++i) {
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, port);
    if (probe.waitForConnected(200)) return true;
    pump();
  }
  return false;
}

}  // namespace orvan::test
