#include "LinkClient.h"

#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <utility>

namespace orvan {

LinkClient::LinkClient(QString socketPath, QObject* parent) : QObject(parent), path_(std::move(socketPath)) {
  connect(&socket_, &QLocalSocket::readyRead, this, &LinkClient::read);
  connect(&socket_, &QLocalSocket::disconnected, this, [this] {
    greeted_ = false;
    hasPosition_ = false;
    poll_.stop();
    emit closed();
  });
  poll_.setInterval(1000);
  connect(&poll_, &QTimer::timeout, this, [this] { send(89, QString()); });
}

bool LinkClient::open(int timeoutMs) {
  if (isOpen()) return true;
  socket_.abort();
  greeted_ = false;
  socket_.connectToServer(path_);
  QElapsedTimer t;
  t.start();
  while (!greeted_ && t.elapsed() < timeoutMs) {
    if (socket_.state() == QLocalSocket::UnconnectedState) return false;
    const int left = int(std::max<qint64>(1, timeoutMs - t.elapsed()));
    if (socket_.state() == QLocalSocket::ConnectingState) socket_.waitForConnected(left);
    else socket_.waitForReadyRead(left);
  }
  if (!greeted_) {
    socket_.abort();
    return false;
  }
  send(89, QString());
  poll_.start();
  return true;
}

void LinkClient::waitForTraffic(int timeoutMs) {
  if (!isOpen()) return;
  socket_.flush();
  socket_.waitForReadyRead(timeoutMs);
}

void LinkClient::close() {
  poll_.stop();
  socket_.disconnectFromServer();
  greeted_ = false;
  hasPosition_ = false;
}

std::optional<QString> LinkClient::ask(int16_t code, const QString& text, int16_t answer, int timeoutMs) {
  answer_.reset();
  waitingFor_ = answer;
  if (send(code, text)) {
    QElapsedTimer t;
    t.start();
    while (!answer_ && isOpen() && t.elapsed() < timeoutMs) waitForTraffic(int(std::max<qint64>(1, timeoutMs - t.elapsed())));
  }
  waitingFor_ = -1;
  return std::exchange(answer_, std::nullopt);
}

bool LinkClient::send(int16_t code, const QString& text) {
  if (!isOpen()) return false;
  const QByteArray line = linkwire::Format(linkwire::Kind::Message, code, text);
  return !line.isEmpty() && socket_.write(line) == line.size();
}

void LinkClient::setPosition(double ra, double dec) {
  before_ = std::make_pair(ra_, dec_);
  since_.start();
  ra_ = ra;
  dec_ = dec;
  hasPosition_ = true;
}

void LinkClient::read() {
  for (const QByteArray& raw : reader_.push(socket_.readAll())) {
    if (!greeted_) {
      greeted_ = raw == linkwire::Greeting();
      if (!greeted_) socket_.abort();  // not a controller's link of our version
      continue;
    }
    const auto line = linkwire::Parse(raw);
    if (!line || line->kind != linkwire::Kind::Message) continue;
    if (line->code == 91) {
      const QStringList f = line->text.split(u',');
      bool okRa = false, okDec = false;
      const double ra = f.value(0).toDouble(&okRa), dec = f.value(1).toDouble(&okDec);
      constexpr qint64 kSyncHoldMs = 3000;
      const bool old = before_ && since_.elapsed() < kSyncHoldMs && std::fabs(before_->first - ra) < 1 &&
                       std::fabs(before_->second - dec) < 1;
      if (f.size() == 2 && okRa && okDec && std::isfinite(ra) && std::isfinite(dec) && !old) {
        before_.reset();
        ra_ = ra;
        dec_ = dec;
        hasPosition_ = true;
      }
    }
    emit message(line->code, line->text);
    if (line->code == waitingFor_ && !answer_) answer_ = line->text;
  }
}

}  // namespace orvan
