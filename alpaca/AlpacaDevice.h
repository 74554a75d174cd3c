#pragma once
// What every Alpaca device of the program shares: the reply, the error numbers, reading the
// parameters, and the members common to all device types (connected, name, description...).
// HTTP-free: the server hands in a verb, a member name and the parameters.
#include <QJsonValue>
#include <QMap>
#include <QString>
#include <QStringList>
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
  int http = 200;          // 400: a missing or unreadable parameter, an unknown member (text in errorMessage)
  QJsonValue value;        // undefined for a method without a value
  int errorNumber = 0;
  QString errorMessage;
};

using Params = QMap<QString, QString>;

Reply value(QJsonValue v);
Reply done();
Reply error(int number, QString message);
Reply badRequest(QString message);
Reply notImplemented(const QString& member);
Reply notConnected();
// A required number parameter: nullopt and `bad` set when it is missing (HTTP 400) or not a
// finite number (an invalid value).
std::optional<double> number(const Params& p, const QString& name, Reply& bad);
// A required "True"/"False" parameter, in the same way.
std::optional<bool> boolean(const Params& p, const QString& name, Reply& bad);

// The members every device type has, in lower case.
extern const QStringList kCommonMembers;

// The common members answered for one device over the application link: `connected` opens the
// link; action and the command members are not implemented.
class DeviceBase {
 public:
  struct Identity {
    QString name, description, driverInfo;
    int interfaceVersion = 1;
  };
  DeviceBase(LinkClient& link, Identity identity) : link_(link), id_(std::move(identity)) {}
  virtual ~DeviceBase() = default;

  // verb "GET" or "PUT", member in lower case, parameters with lower-cased names. An unknown
  // member is an HTTP 400.
  Reply handle(const QString& verb, const QString& member, const Params& params);

 protected:
  bool connected() const;
  // The client set `connected` false: what it set moving stops.
  virtual void disconnecting() {}
  // Any request reached this device (a client that asks is a client that is there).
  virtual void requested() {}
  // The device's own members (lower case), and their answers.
  virtual const QStringList& members() const = 0;
  virtual Reply get(const QString& member, const Params& params) = 0;
  virtual Reply put(const QString& member, const Params& params) = 0;

  LinkClient& link_;

 private:
  Identity id_;
  bool connected_ = false;
};

}  // namespace alpaca
}  // namespace orvan
