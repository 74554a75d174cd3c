#include "AppLinkServer.h"

#include "AppLinkEndpoint.h"
#include "LinkWire.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QPointer>

#include <utility>

Q_LOGGING_CATEGORY(lcLinkServer, "orvan.applink.server", QtWarningMsg)

namespace orvan {

struct AppLinkServer::Client {
  quint64 id = 0;
  linkwire::LineReader reader;
};

AppLinkServer::AppLinkServer(AppLinkEndpoint& endpoint, QObject* parent) : QObject(parent), endpoint_(endpoint) {}

AppLinkServer::~AppLinkServer() {
  for (auto& [socket, client] : clients_) {
    socket->disconnect(this);
    delete client;
  }
  clients_.clear();
  if (server_) server_->close();  // removes the socket file
}

bool AppLinkServer::listen(const QString& path, QString* error) {
  delete server_;
  server_ = new QLocalServer(this);
  // Only the observer's own programs may reach the link.
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QLocalServer::removeServer(path);
  if (!server_->listen(path)) {
    if (error) *error = server_->errorString();
    return false;
  }
  // UserAccessOption leaves the owner's execute bit; the socket is read and written only.
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
  path_ = path;
  connect(server_, &QLocalServer::newConnection, this, &AppLinkServer::accept);
  return true;
}

void AppLinkServer::accept() {
  while (QLocalSocket* s = server_->nextPendingConnection()) {
    if (clients_.size() >= size_t(kMaxClients)) {
      s->abort();
      s->deleteLater();
      ++letGo_;
      continue;
    }
    clients_[s] = new Client{++lastId_, {}};
    connect(s, &QLocalSocket::readyRead, this, [this, s] { readFrom(s); });
    connect(s, &QLocalSocket::disconnected, this, [this, s] { forget(s); });
    s->write(linkwire::Greeting() + '\n');
  }
}

void AppLinkServer::readFrom(QLocalSocket* s) {
  auto it = clients_.find(s);
  if (it == clients_.end()) return;
  for (const QByteArray& raw : it->second->reader.push(s->readAll())) {
    const auto line = linkwire::Parse(raw);
    if (!line || line->kind == linkwire::Kind::Query) {
      ++droppedLines_;
      continue;
    }
    if (waiting_.size() >= kMaxWaiting) {
      ++droppedQueued_;
      continue;
    }
    waiting_.push_back({line->kind == linkwire::Kind::Answer, line->code, line->text, it->second->id});
  }
  // Carried out from the event loop, not from inside the socket's signal: a message can run
  // the event loop for seconds (a driver's wait, the shutdown), and meanwhile its sender may
  // go away and its socket be deleted under a handler still on the stack.
  if (!waiting_.empty() && !busy_) QMetaObject::invokeMethod(this, &AppLinkServer::drain, Qt::QueuedConnection);
}

void AppLinkServer::drain() {
  // A driver operation waits while dispatching events, so this can be entered again from
  // inside a message: the inner call leaves the queue to the outer one.
  if (busy_) return;
  busy_ = true;
  // The controller may end (and this server go) while a message is carried out.
  QPointer<AppLinkServer> self(this);
  while (!waiting_.empty()) {
    const Pending p = waiting_.front();
    waiting_.pop_front();
    asker_ = p.client;
    if (p.answer) endpoint_.answer(p.code, p.text);
    else if (!endpoint_.message(p.code, p.text)) ++droppedLines_;
    if (!self) return;
    asker_ = 0;
    gotoBeginning_ = false;
  }
  busy_ = false;
}

void AppLinkServer::send(int16_t code, const QString& text) {
  // The end of a goto belongs to the client that asked for it; a goto nobody on the link
  // asked for (the hand controller, the planetarium port) is told to every client.
  if (code == 2 && (text == u"OK" || text == u"NG") && gotoOwner_ != 0) {
    // The end of a goto its own client replaces by a new one: that client waits for the new.
    if (gotoBeginning_ && gotoOwner_ == asker_) {
      gotoOwner_ = 0;
      return;
    }
    const quint64 owner = std::exchange(gotoOwner_, 0);
    writeTo(owner, linkwire::Format(linkwire::Kind::Message, code, text));
    return;
  }
  broadcast(linkwire::Format(linkwire::Kind::Message, code, text));
}

void AppLinkServer::reply(int16_t code, const QString& text) {
  if (asker_ != 0) writeTo(asker_, linkwire::Format(linkwire::Kind::Message, code, text));
}

void AppLinkServer::gotoBegins() { gotoBeginning_ = asker_ != 0; }

void AppLinkServer::gotoStarted() {
  gotoBeginning_ = false;
  // A goto that replaces another client's ends that client's wait: its target is given up.
  const quint64 before = std::exchange(gotoOwner_, asker_);
  if (before != 0 && before != asker_) writeTo(before, linkwire::Format(linkwire::Kind::Message, 2, QStringLiteral("NG")));
}

void AppLinkServer::writeTo(quint64 id, const QByteArray& line) {
  if (line.isEmpty()) return;
  for (auto& [s, client] : clients_)
    if (client->id == id) {
      if (s->bytesToWrite() <= kMaxUnread) s->write(line);
      return;
    }
}

void AppLinkServer::ask(int16_t code, const QString& text) { broadcast(linkwire::Format(linkwire::Kind::Query, code, text)); }

void AppLinkServer::broadcast(const QByteArray& line) {
  if (line.isEmpty()) return;
  std::vector<QLocalSocket*> stuck;
  for (auto& [s, client] : clients_) {
    if (s->bytesToWrite() > kMaxUnread) {
      stuck.push_back(s);
      continue;
    }
    s->write(line);
  }
  for (QLocalSocket* s : stuck) {
    qCWarning(lcLinkServer) << "a link client that does not read was let go";
    ++letGo_;
    s->disconnect(this);
    forget(s);
    s->abort();
  }
}

void AppLinkServer::forget(QLocalSocket* s) {
  auto it = clients_.find(s);
  if (it == clients_.end()) return;
  const quint64 id = it->second->id;
  if (gotoOwner_ == id) gotoOwner_ = 0;
  delete it->second;
  clients_.erase(it);
  s->deleteLater();
  emit clientGone(id);
}

}  // namespace orvan
