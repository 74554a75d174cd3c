#pragma once
// The application link's transport: a local socket in the program folder (mode 0600) that
// cooperating programs connect to, several at once. Each client's bytes are cut into lines
// (LinkWire.h); messages and answers go to the endpoint in the order they came, one at a
// time: a message that arrives while an earlier one is inside a driver operation waits, and
// beyond a small queue a flood is dropped. What the controller sends goes to every client,
// except the end of a goto ("OK"/"NG"), which goes to the client that asked for that goto; a
// client that stops reading is let go once its unread output passes a limit, so it can never
// hold up the controller.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>

class QLocalServer;
class QLocalSocket;

namespace orvan {

class AppLinkEndpoint;

class AppLinkServer : public QObject {
  Q_OBJECT
 public:
  explicit AppLinkServer(AppLinkEndpoint& endpoint, QObject* parent = nullptr);
  ~AppLinkServer() override;

  // Listens on `path`, replacing a socket left by a controller that ended without removing
  // it (one controller per program folder is assured before this). False with `error` set
  // when it cannot listen.
  bool listen(const QString& path, QString* error = nullptr);
  QString path() const { return path_; }
  // The send operation (a message to every client).
  void send(int16_t code, const QString& text);
  // An answer to the client whose message is being carried out; outside one, to nobody.
  void reply(int16_t code, const QString& text);
  // The message being carried out asks the driver for a goto, and the driver took it: its end
  // is that client's.
  void gotoBegins();
  void gotoStarted();
  // The utility query ("ask 90 Utility").
  void ask(int16_t code, const QString& text);

  // The client whose message is being carried out; 0 outside one.
  quint64 asker() const { return asker_; }

  int clientCount() const { return static_cast<int>(clients_.size()); }
  // Lines dropped as not of the format, messages dropped by the queue, clients let go.
  int droppedLines() const { return droppedLines_; }
  int droppedQueued() const { return droppedQueued_; }
  int clientsLetGo() const { return letGo_; }

  static constexpr size_t kMaxWaiting = 64;

  static constexpr qint64 kMaxUnread = 256 * 1024;
  static constexpr int kMaxClients = 32;

 signals:
  // A client disconnected or was let go.
  void clientGone(quint64 client);

 private:
  struct Client;
  void forget(QLocalSocket* s);
  void accept();
  void readFrom(QLocalSocket* s);
  void drain();
  void broadcast(const QByteArray& line);
  void writeTo(quint64 id, const QByteArray& line);

  AppLinkEndpoint& endpoint_;
  QLocalServer* server_ = nullptr;
  QString path_;
  std::map<QLocalSocket*, Client*> clients_;
  struct Pending {
    bool answer;
    int16_t code;
    QString text;
    quint64 client;
  };
  std::deque<Pending> waiting_;
  bool busy_ = false;
  quint64 lastId_ = 0;
  quint64 asker_ = 0;      // the client whose message is being carried out
  quint64 gotoOwner_ = 0;  // the client whose goto runs
  bool gotoBeginning_ = false;  // the driver is taking a goto of the asker

  int droppedLines_ = 0;
  int droppedQueued_ = 0;
  int letGo_ = 0;
};

}  // namespace orvan
