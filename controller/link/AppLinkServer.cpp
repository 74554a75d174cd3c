#include "AppLinkServer.h"

#include "AppLinkEndpoint.h"
#include "LinkWire.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcLinkServer, "orvan.applink.server", QtWarningMsg)

namespace orvan {

struct AppLinkServer::Client {
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
    clients_[s] = new Client;
    connect(s, &QLocalSocket::readyRead, this, [this, s] { readFrom(s); });
    connect(s, &QLocalSocket::disconnected, this, [this, s] {
      auto it = clients_.find(s);
      if (it == clients_.end()) return;
      delete it->second;
      clients_.erase(it);
      s->deleteLater();
    });
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
    waiting_.push_back({line->kind == linkwire::Kind::Answer, line->code, line->text});
  }
  drain();
}

void AppLinkServer::drain() {
  // A driver operation waits while dispatching events, so this can be entered again from
  // inside a message: the inner call leaves the queue to the outer one.
  if (busy_) return;
  busy_ = true;
  while (!waiting_.empty()) {
    const Pending p = waiting_.front();
    waiting_.pop_front();
    if (p.answer) endpoint_.answer(p.code, p.text);
    else if (!endpoint_.message(p.code, p.text)) ++droppedLines_;
  }
  busy_ = false;
}

void AppLinkServer::send(int16_t code, const QString& text) { broadcast(linkwire::Format(linkwire::Kind::Message, code, text)); }

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
    auto it = clients_.find(s);
    delete it->second;
    clients_.erase(it);
    s->abort();
    s->deleteLater();
  }
}

}  // namespace orvan
