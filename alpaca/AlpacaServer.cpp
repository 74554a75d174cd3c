#include "AlpacaServer.h"

#include "AlpacaDome.h"
#include "AlpacaTelescope.h"

#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUdpSocket>
#include <QUrlQuery>

namespace orvan {
namespace {

constexpr qsizetype kMaxBody = 8192;

// Parameter names are not case sensitive; the values are kept as sent.
QMap<QString, QString> parameters(const QUrlQuery& q) {
  QMap<QString, QString> out;
  for (const auto& [k, v] : q.queryItems(QUrl::FullyDecoded)) out.insert(k.toLower(), v);
  return out;
}

}  // namespace

AlpacaServer::AlpacaServer(AlpacaTelescope& telescope, AlpacaDome& dome, QObject* parent)
    : QObject(parent), telescope_(telescope), dome_(dome), http_(std::make_unique<QHttpServer>()) {
  http_->setMissingHandler(
      [this](const QHttpServerRequest& r, QHttpServerResponder&& responder) { serve(r, std::move(responder)); });
}

AlpacaServer::~AlpacaServer() = default;

quint16 AlpacaServer::listen(quint16 port, bool network) {
  return http_->listen(network ? QHostAddress::Any : QHostAddress::LocalHost, port);
}

bool AlpacaServer::startDiscovery(quint16 httpPort, quint16 port) {
  discovery_ = new QUdpSocket(this);
  if (!discovery_->bind(QHostAddress::AnyIPv4, port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) return false;
  connect(discovery_, &QUdpSocket::readyRead, this, [this, httpPort] {
    while (discovery_->hasPendingDatagrams()) {
      QHostAddress from;
      quint16 fromPort = 0;
      QByteArray d(int(std::min<qint64>(discovery_->pendingDatagramSize(), 256)), 0);
      discovery_->readDatagram(d.data(), d.size(), &from, &fromPort);
      if (d.startsWith("alpacadiscovery1"))
        discovery_->writeDatagram(QJsonDocument(QJsonObject{{"AlpacaPort", httpPort}}).toJson(QJsonDocument::Compact), from,
                                  fromPort);
    }
  });
  return true;
}

void AlpacaServer::serve(const QHttpServerRequest& request, QHttpServerResponder&& responder) {
  const bool isGet = request.method() == QHttpServerRequest::Method::Get;
  const bool isPut = request.method() == QHttpServerRequest::Method::Put;
  const QString path = request.url().path();
  if ((!isGet && !isPut) || request.body().size() > kMaxBody) {
    responder.write(QByteArray("Unsupported request"), "text/plain", QHttpServerResponder::StatusCode::BadRequest);
    return;
  }
  const QMap<QString, QString> params =
      parameters(isPut ? QUrlQuery(QString::fromUtf8(request.body()).replace(u'+', u' ')) : request.query());
  bool ok = false;
  const qlonglong client = params.value(QStringLiteral("clienttransactionid")).toLongLong(&ok);
  const quint32 clientId = ok && client >= 0 && client <= 0xFFFFFFFFLL ? quint32(client) : 0;

  QJsonObject body;
  const auto send = [&](const QJsonValue& value, int errorNumber, const QString& errorMessage) {
    if (!value.isUndefined()) body.insert(QStringLiteral("Value"), value);
    body.insert(QStringLiteral("ClientTransactionID"), qint64(clientId));
    body.insert(QStringLiteral("ServerTransactionID"), qint64(++serverTransaction_));
    body.insert(QStringLiteral("ErrorNumber"), errorNumber);
    body.insert(QStringLiteral("ErrorMessage"), errorMessage);
    responder.write(QJsonDocument(body));
  };

  // Management.
  if (isGet && path == u"/management/apiversions") return send(QJsonArray{1}, 0, {});
  if (isGet && path == u"/management/v1/description")
    return send(QJsonObject{{"ServerName", "OrvanMirel"}, {"Manufacturer", "OrvanMirel"}, {"ManufacturerVersion", "1.0"},
                            {"Location", "Observatory"}},
                0, {});
  if (isGet && path == u"/management/v1/configureddevices")
    return send(QJsonArray{QJsonObject{{"DeviceName", "OrvanMirel"},
                                       {"DeviceType", "Telescope"},
                                       {"DeviceNumber", 0},
                                       {"UniqueID", "5b0c1f3e-orvan-mirel-telescope-0"}},
                           QJsonObject{{"DeviceName", "OrvanMirel dome"},
                                       {"DeviceType", "Dome"},
                                       {"DeviceNumber", 0},
                                       {"UniqueID", "5b0c1f3e-orvan-mirel-dome-0"}}},
                0, {});

  // The devices: /api/v1/<type>/0/<member>, lower case as Alpaca writes its paths.
  static const QString kPrefix = QStringLiteral("/api/v1/");
  if (!path.startsWith(kPrefix)) {
    responder.write(QByteArray("Not found"), "text/plain", QHttpServerResponder::StatusCode::NotFound);
    return;
  }
  const QStringList rest = path.mid(kPrefix.size()).split(u'/');
  alpaca::DeviceBase* device = nullptr;
  if (rest.size() == 3 && rest[1] == u"0") {
    if (rest[0] == u"telescope") device = &telescope_;
    else if (rest[0] == u"dome") device = &dome_;
  }
  if (!device) {
    responder.write(QByteArray("No such device"), "text/plain", QHttpServerResponder::StatusCode::BadRequest);
    return;
  }
  if (rest[2].isEmpty() || rest[2] != rest[2].toLower()) {
    responder.write(QByteArray("No such member"), "text/plain", QHttpServerResponder::StatusCode::BadRequest);
    return;
  }
  const alpaca::Reply r = device->handle(isPut ? QStringLiteral("PUT") : QStringLiteral("GET"), rest[2], params);
  if (r.http != 200) {
    responder.write(r.errorMessage.toUtf8(), "text/plain", QHttpServerResponder::StatusCode::BadRequest);
    return;
  }
  send(r.value, r.errorNumber, r.errorMessage);
}

}  // namespace orvan
