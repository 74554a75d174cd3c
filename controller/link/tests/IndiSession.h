#pragma once
// INDI's own tools driving one of its LX200 drivers, the way KStars does: indiserver on a
// loopback port the test picks, indi_setprop / indi_getprop for every step. The controller's
// event loop keeps running while each tool runs, so the virtual port answers meanwhile.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace orvan {

class IndiSession {
 public:
  static bool available(QString& why) {
    for (const char* tool : {"indiserver", "indi_setprop", "indi_getprop", "indi_lx200generic", "indi_lx200basic"})
      if (QStandardPaths::findExecutable(tool).isEmpty()) {
        why = QString("INDI's %1 is not installed (Debian package indi-bin)").arg(tool);
        return false;
      }
    return true;
  }

  // Runs the event loop until `done` holds or `ms` pass.
  template <class F>
  static bool pumpUntil(F done, int ms) {
    QDeadlineTimer guard(ms);
    while (!done()) {
      if (guard.hasExpired()) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
  }

  IndiSession(const QString& driver, const QString& device, const QString& home) : device_(device) {
    QTcpServer probe;  // a free loopback port for this run
    probe.listen(QHostAddress::LocalHost, 0);
    port_ = probe.serverPort();
    probe.close();
    server_ = std::make_unique<QProcess>();
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);  // INDI keeps its configuration there
    server_->setProcessEnvironment(env);
    server_->setStandardOutputFile(QProcess::nullDevice());
    server_->setStandardErrorFile(QProcess::nullDevice());
    // A local socket of its own: every indiserver also listens on the abstract socket
    // "/tmp/indiserver" unless told otherwise, and a second server (a test running beside this
    // one, or the user's own) would end at once.
    server_->start("indiserver", {"-u", QStringLiteral("/tmp/indiserver-orvan-test-%1").arg(port_), "-p",
                                  QString::number(port_), driver});
    server_->waitForStarted();
  }
  ~IndiSession() {
    server_->kill();
    server_->waitForFinished(3000);
  }

  bool ready() {
    // A loaded machine (two cores, builds beside the tests) can take a while to start the
    // server and its driver; only a server that never answers is a failure.
    return pumpUntil([&] { return !get("CONNECTION.CONNECT").isEmpty(); }, 45000);
  }
  bool set(const QString& assignment) {
    return tool("indi_setprop", {"-p", QString::number(port_), device_ + u'.' + assignment}).second == 0;
  }
  // The value of "PROPERTY.ELEMENT" (or "._STATE"), empty when the server does not know it.
  QString get(const QString& name) {
    return tool("indi_getprop", {"-1", "-t", "1", "-p", QString::number(port_), device_ + u'.' + name}).first;
  }
  bool connected() { return get("CONNECTION.CONNECT") == "On"; }
  // The server's definition of PROPERTY as it sends it to a client (labels, groups), empty when
  // it does not come; INDI's tools print values only.
  QString definition(const QString& property) {
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port_);
    if (!pumpUntil([&] { return s.state() == QAbstractSocket::ConnectedState; }, 10000)) return {};
    s.write(QStringLiteral("<getProperties version=\"1.7\" device=\"%1\" name=\"%2\"/>\n")
                .arg(device_.toHtmlEscaped(), property.toHtmlEscaped())
                .toUtf8());
    QString text;
    const auto whole = [&] {
      text += QString::fromUtf8(s.readAll());
      const int start = text.indexOf(QStringLiteral("<def"));
      return start >= 0 && text.indexOf(QStringLiteral("</def"), start) >= 0;
    };
    return pumpUntil(whole, 10000) ? text : QString();
  }

 private:
  std::pair<QString, int> tool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    pumpUntil([&] { return p.state() == QProcess::NotRunning; }, 20000);
    if (p.state() != QProcess::NotRunning) {
      p.kill();
      p.waitForFinished();
    }
    return {QString::fromUtf8(p.readAllStandardOutput()).trimmed(), p.exitCode()};
  }

  QString device_;
  quint16 port_ = 0;
  std::unique_ptr<QProcess> server_;
};

}  // namespace orvan
