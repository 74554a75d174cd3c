// The controller as an Alpaca telescope: each member of the telescope interface answered from
// what the application link offers (the J2000 position, a goto by target text, sync, stop,
// park). HTTP-free: the server hands in a verb, a member name and the parameters, and sends
// back the reply. What the link cannot do is answered "not implemented", never pretended.
#pragma once
#include <QJsonValue>
#include <QMap>
#include <QString>
#include <functional>
#include <optional>

namespace orvan {

class LinkClient;

namespace alpaca {
// Alpaca error numbers.
inline constexpr int kNotImplemented = 0x400;
inline constexpr int kInvalidValue = 0x401;
inline constexpr int kValueNotSet = 0x402;
inline constexpr int kNotConnected = 0x407;
inline constexpr int kParked = 0x408;
inline constexpr int kInvalidOperation = 0x40B;
inline constexpr int kDriverError = 0x500;

struct Reply {
  int http = 200;          // 400: a missing or unreadable parameter (text in errorMessage)
  QJsonValue value;        // undefined for a method without a value
  int errorNumber = 0;
  QString errorMessage;
};
}  // namespace alpaca

class AlpacaTelescope {
 public:
  struct Options {
    QString name = QStringLiteral("OrvanMirel");
    int alignmentMode = 2;   // 2 German equatorial, 1 fork (polar)
    // How long a slew waits for the controller's refusal ("NG") before it counts as started.
    int refusalWaitMs = 2000;
  };

  AlpacaTelescope(LinkClient& link, Options options);

  // verb "GET" or "PUT", member in lower case, parameters with lower-cased names.
  alpaca::Reply handle(const QString& verb, const QString& member, const QMap<QString, QString>& params);

 private:
  alpaca::Reply get(const QString& member);
  alpaca::Reply put(const QString& member, const QMap<QString, QString>& params);
  alpaca::Reply slew(double raHours, double decDegrees);
  alpaca::Reply sync(double raHours, double decDegrees);
  void onMessage(int16_t code, const QString& text);

  LinkClient& link_;
  Options options_;
  bool connected_ = false;
  bool slewing_ = false;
  bool parking_ = false;
  bool atPark_ = false;
  bool refused_ = false;
  std::optional<double> targetRa_, targetDec_;  // hours, degrees
};

}  // namespace orvan
