#include "SimRunner.h"

#include <QDir>

#include <QDateTime>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace orvan::sim {

namespace {
QString escaped(const QByteArray& bytes) {
  QString out;
  for (char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7f && u != '<')
      out += QChar(u);
    else
      out += QStringLiteral("<%1>").arg(u, 2, 16, QChar(u'0')).toUpper();
  }
  return out;
}
}  // namespace

bool ParseFault(const QString& text, Fault& out) {
  const QString t = text.trimmed().toLower();
  if (t == u"normal") out = Fault::Normal;
  else if (t == u"silent") out = Fault::Silent;
  else if (t == u"garbage") out = Fault::Garbage;
  else if (t == u"short") out = Fault::Short;
  else if (t == u"slow") out = Fault::Slow;
  else if (t == u"vanish") out = Fault::Vanish;
  else return false;
  return true;
}

QString FaultName(Fault f) {
  switch (f) {
    case Fault::Normal: return QStringLiteral("normal");
    case Fault::Silent: return QStringLiteral("silent");
    case Fault::Garbage: return QStringLiteral("garbage");
    case Fault::Short: return QStringLiteral("short");
    case Fault::Slow: return QStringLiteral("slow");
    case Fault::Vanish: return QStringLiteral("vanish");
  }
  return QString();
}

QByteArray GarbageOf(const QByteArray& reply) {
  static const char noise[] = "@$%&?!~";
  QByteArray out(reply.size(), '?');
  for (qsizetype i = 0; i < out.size(); ++i) out[i] = noise[i % 7];
  return out;
}

QByteArray ShortOf(const QByteArray& reply) { return reply.left(std::max<qsizetype>(1, reply.size() / 2)); }

SimRunner::SimRunner(std::unique_ptr<SimDevice> device, const QString& folder, int com, QObject* parent)
    : QObject(parent), device_(std::move(device)), folder_(folder), com_(com) {
  device_->command = [this](const QByteArray& c) { log("<-", c); };
  device_->reply = [this](const QByteArray& r) { sendReply(r); };
  connect(&port_, &PseudoTerminal::received, this, &SimRunner::onBytes);
}

SimRunner::~SimRunner() {
  if (control_) control_->close();
  port_.remove();
}

QString SimRunner::linkPath() const { return folder_ + QStringLiteral("/ports/COM") + QString::number(com_); }

// The device appears: a pseudo-terminal linked as the program folder's ports/COM<n>.
bool SimRunner::plugIn() {
  QDir().mkpath(folder_ + QStringLiteral("/ports"));
  return port_.create(linkPath());
}

bool SimRunner::start(const QString& logPath, QString* error) {
  if (!logPath.isEmpty()) {
    log_.setFileName(logPath);
    if (!log_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
      if (error) *error = QStringLiteral("cannot write the log ") + logPath;
      return false;
    }
  }
  if (fault_ != Fault::Vanish && !plugIn()) {
    if (error) *error = QStringLiteral("cannot create the port ") + linkPath() + QStringLiteral(" (in use by another program?)");
    return false;
  }
  control_ = new QLocalServer(this);
  const QString name = folder_ + QStringLiteral("/ports/COM") + QString::number(com_) + QStringLiteral(".ctl");
  QLocalServer::removeServer(name);
  if (!control_->listen(name)) {
    if (error) *error = QStringLiteral("cannot listen on ") + name;
    return false;
  }
  connect(control_, &QLocalServer::newConnection, this, &SimRunner::onControl);
  return true;
}

void SimRunner::setFault(Fault f) {
  fault_ = f;
  log("==", QByteArray("fault ") + FaultName(f).toLatin1());
  if (f == Fault::Vanish)
    port_.remove();
  else if (!port_.exists())
    plugIn();  // plugged in again
}

void SimRunner::onBytes(const QByteArray& bytes) {
  if (fault_ == Fault::Vanish) return;
  device_->receive(bytes);
}

void SimRunner::sendReply(const QByteArray& reply) {
  QByteArray out = reply;
  const QByteArray ending = device_->replyEnding();
  const bool keepEnding = !ending.isEmpty() && reply.endsWith(ending) && reply.size() > ending.size();
  const QByteArray body = keepEnding ? reply.chopped(ending.size()) : reply;
  switch (fault_) {
    case Fault::Silent:
    case Fault::Vanish: log("xx", reply); return;
    case Fault::Garbage: out = GarbageOf(body) + (keepEnding ? ending : QByteArray()); break;
    case Fault::Short: out = ShortOf(body) + (keepEnding ? ending : QByteArray()); break;
    case Fault::Slow:
      log("..", out);
      QTimer::singleShot(slowMs_, this, [this, out] {
        if (fault_ == Fault::Vanish) return;
        port_.send(out);
      });
      return;
    case Fault::Normal: break;
  }
  log("->", out);
  port_.send(out);
}

void SimRunner::log(const char* arrow, const QByteArray& bytes) {
  if (!log_.isOpen()) return;
  const QString line = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss.zzz")) + u' ' +
                       QString::fromLatin1(arrow) + u' ' + escaped(bytes) + u'\n';
  log_.write(line.toUtf8());
  log_.flush();
}

void SimRunner::onControl() {
  while (QLocalSocket* s = control_->nextPendingConnection()) {
    connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
    connect(s, &QLocalSocket::readyRead, this, [this, s] {
      while (s->canReadLine()) {
        const QString line = QString::fromUtf8(s->readLine()).trimmed();
        const QStringList parts = line.split(u' ', Qt::SkipEmptyParts);
        Fault f;
        if (parts.size() == 2 && parts[0] == u"fault" && ParseFault(parts[1], f)) {
          setFault(f);
          s->write("ok\n");
        } else if (line == u"state") {
          s->write((device_->stateText() + QStringLiteral(" fault=") + FaultName(fault_) + u'\n').toUtf8());
        } else if (const QString answer = device_->control(parts); !answer.isEmpty()) {
          s->write((answer + u'\n').toUtf8());
        } else {
          s->write("error\n");
        }
        s->flush();
      }
    });
  }
}

}  // namespace orvan::sim
