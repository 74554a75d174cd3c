// The device program's end of the controller's application link: connects to the running
// controller of the program folder, sends messages and hands on what comes back. It asks for
// the position once a second while connected and keeps the last answer.
#pragma once
#include "LinkWire.h"

#include <QLocalSocket>
#include <QObject>
#include <QElapsedTimer>
#include <QTimer>
#include <optional>

namespace orvan {

class LinkClient : public QObject {
  Q_OBJECT
 public:
  explicit LinkClient(QString socketPath, QObject* parent = nullptr);

  // Connects and waits for the controller's greeting; false when no controller of this link
  // version answers within the time.
  //
  // The waits here block on the link alone, never turning the event loop: they are made from
  // inside an HTTP request, whose connection the event loop would delete under the handler
  // when the Alpaca client went away meanwhile.
  bool open(int timeoutMs = 2000);
  // Waits until the controller sends something (handed on through `message`) or the time ends.
  void waitForTraffic(int timeoutMs);
  void close();
  bool isOpen() const { return greeted_ && socket_.state() == QLocalSocket::ConnectedState; }
  bool send(int16_t code, const QString& text);
  // Sends a message and waits for the controller's next message of `answer` (everything that
  // comes meanwhile is handed on first, in order); nullopt when none comes within the time.
  std::optional<QString> ask(int16_t code, const QString& text, int16_t answer, int timeoutMs = 3000);
  // A mission request ("150,0,0,(...),name").
  bool mission(const QString& text) { return send(2, text); }

  // The last position the controller gave (J2000 seconds of time, arcseconds).
  bool hasPosition() const { return hasPosition_; }
  double ra() const { return ra_; }
  double dec() const { return dec_; }
  // A position the controller has just been told (a sync it took): it stands until the
  // controller reports a position other than the one before (its next reading of the mount),
  // for a few seconds at most, so a client reads back what it synced at once.
  void setPosition(double ra, double dec);

 signals:
  void message(int16_t code, const QString& text);
  void closed();

 private:
  void read();

  QString path_;
  QLocalSocket socket_;
  linkwire::LineReader reader_;
  QTimer poll_;
  bool greeted_ = false;
  int waitingFor_ = -1;
  std::optional<QString> answer_;
  bool hasPosition_ = false;
  double ra_ = 0, dec_ = 0;
  std::optional<std::pair<double, double>> before_;  // the position a sync replaced
  QElapsedTimer since_;
};

}  // namespace orvan
