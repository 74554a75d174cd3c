#include "AlpacaDevice.h"

#include "LinkClient.h"

#include <QJsonArray>
#include <cmath>

namespace orvan::alpaca {

Reply value(QJsonValue v) { return {200, std::move(v), 0, {}}; }
Reply done() { return {200, QJsonValue(QJsonValue::Undefined), 0, {}}; }
Reply error(int number, QString message) { return {200, QJsonValue(QJsonValue::Undefined), number, std::move(message)}; }
Reply badRequest(QString message) { return {400, QJsonValue(QJsonValue::Undefined), 0, std::move(message)}; }
Reply notImplemented(const QString& member) { return error(kNotImplemented, member + QStringLiteral(" is not implemented")); }
Reply notConnected() { return error(kNotConnected, QStringLiteral("not connected to the controller")); }

std::optional<double> number(const Params& p, const QString& name, Reply& bad) {
  if (!p.contains(name)) {
    bad = badRequest(QStringLiteral("missing parameter ") + name);
    return std::nullopt;
  }
  bool ok = false;
  const double v = p[name].trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(v)) {
    bad = error(kInvalidValue, QStringLiteral("%1 is not a number: %2").arg(name, p[name].left(40)));
    return std::nullopt;
  }
  return v;
}

std::optional<bool> boolean(const Params& p, const QString& name, Reply& bad) {
  if (!p.contains(name)) {
    bad = badRequest(QStringLiteral("missing parameter ") + name);
    return std::nullopt;
  }
  const QString v = p[name].trimmed().toLower();
  if (v != u"true" && v != u"false") {
    bad = error(kInvalidValue, name + QStringLiteral(" must be True or False"));
    return std::nullopt;
  }
  return v == u"true";
}

const QStringList kCommonMembers = {"action",        "commandblind",  "commandbool",    "commandstring",
                                    "connected",     "description",   "driverinfo",     "driverversion",
                                    "interfaceversion", "name",       "supportedactions"};

bool DeviceBase::connected() const { return connected_ && link_.isOpen(); }

Reply DeviceBase::handle(const QString& verb, const QString& m, const Params& p) {
  requested();
  if (!kCommonMembers.contains(m) && !members().contains(m)) return badRequest(QStringLiteral("no such member: ") + m.left(40));
  const bool isPut = verb == u"PUT";
  if (m == u"connected") {
    if (!isPut) return value(connected());
    Reply bad;
    const auto on = boolean(p, QStringLiteral("connected"), bad);
    if (!on) return bad;
    if (!*on) {
      if (connected()) disconnecting();
      connected_ = false;
      return done();
    }
    if (!link_.open()) return error(kNotConnected, QStringLiteral("the controller is not running (no application link)"));
    connected_ = true;
    return done();
  }
  if (kCommonMembers.contains(m)) {
    if (isPut || m == u"action" || m.startsWith(QStringLiteral("command"))) return notImplemented(m);
    if (m == u"name") return value(id_.name);
    if (m == u"description") return value(id_.description);
    if (m == u"driverinfo") return value(id_.driverInfo);
    if (m == u"driverversion") return value(QStringLiteral("1.0"));
    if (m == u"interfaceversion") return value(id_.interfaceVersion);
    return value(QJsonArray());  // supportedactions
  }
  return isPut ? put(m, p) : get(m, p);
}

}  // namespace orvan::alpaca
