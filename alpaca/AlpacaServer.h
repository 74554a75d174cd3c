// The Alpaca HTTP face: the management API, telescope 0 and dome 0, on loopback unless the
// settings open it to the network (then the discovery answer too). Every reply carries the
// client's and the server's transaction numbers; a request with a missing or unreadable
// parameter, or for an unknown device or member, gets HTTP 400 with a plain-text reason, a
// path outside the API 404, and nothing reaches a device but its own members.
#pragma once
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <memory>

class QHttpServer;
class QHttpServerRequest;
class QHttpServerResponder;
class QUdpSocket;

namespace orvan {

class AlpacaDome;
class AlpacaTelescope;

class AlpacaServer : public QObject {
  Q_OBJECT
 public:
  AlpacaServer(AlpacaTelescope& telescope, AlpacaDome& dome, QObject* parent = nullptr);
  ~AlpacaServer() override;

  // Listens on `port` (0: any free one) of loopback, or of every address with `network`;
  // the port listened on, 0 when it could not.
  quint16 listen(quint16 port, bool network);
  // Answers Alpaca discovery on UDP 32227 (or `port`) with the HTTP port.
  bool startDiscovery(quint16 httpPort, quint16 port = 32227);

 private:
  void serve(const QHttpServerRequest& request, QHttpServerResponder&& responder);

  AlpacaTelescope& telescope_;
  AlpacaDome& dome_;
  std::unique_ptr<QHttpServer> http_;
  QUdpSocket* discovery_ = nullptr;
  quint32 serverTransaction_ = 0;
};

}  // namespace orvan
