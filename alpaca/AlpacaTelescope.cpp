#include "AlpacaTelescope.h"

#include "LinkClient.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <algorithm>
#include <cmath>

namespace orvan {
using namespace alpaca;

namespace {

Reply value(QJsonValue v) { return {200, std::move(v), 0, {}}; }
Reply done() { return {200, QJsonValue(QJsonValue::Undefined), 0, {}}; }
Reply error(int number, QString message) { return {200, QJsonValue(QJsonValue::Undefined), number, std::move(message)}; }
Reply badRequest(QString message) { return {400, QJsonValue(QJsonValue::Undefined), 0, std::move(message)}; }
Reply notImplemented(const QString& member) { return error(kNotImplemented, member + QStringLiteral(" is not implemented")); }

// A required number parameter: nullopt and `bad` set when it is missing (HTTP 400) or not a
// finite number (an invalid value).
std::optional<double> number(const QMap<QString, QString>& p, const QString& name, Reply& bad) {
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

// "(hh:mm:ss +dd:mm:ss)", whole seconds as the controller's target text carries them.
QString targetText(double raHours, double decDegrees) {
  long long ra = std::llround(raHours * 3600) % 86400;
  long long dec = std::llround(std::fabs(decDegrees) * 3600);
  if (dec > 324000) dec = 324000;
  return QString::asprintf("(%02lld:%02lld:%02lld %c%02lld:%02lld:%02lld)", ra / 3600, ra / 60 % 60, ra % 60,
                           decDegrees < 0 ? '-' : '+', dec / 3600, dec / 60 % 60, dec % 60);
}

}  // namespace

AlpacaTelescope::AlpacaTelescope(LinkClient& link, Options options) : link_(link), options_(std::move(options)) {
  QObject::connect(&link_, &LinkClient::message, &link_, [this](int16_t c, const QString& t) { onMessage(c, t); });
  QObject::connect(&link_, &LinkClient::closed, &link_, [this] { slewing_ = parking_ = false; });
}

void AlpacaTelescope::onMessage(int16_t code, const QString& text) {
  if (code == 2 && text == u"OK") slewing_ = false;
  // "NG" is a refused goto, or one given up after it started (a stop, a lost mount): a park
  // given up is no park either.
  if (code == 2 && text == u"NG") slewing_ = parking_ = false, refused_ = true;
  // The end of a park goto reports the status word with its sixth place set.
  if (code == 99 && parking_ && text.size() >= 6 && text[5] == u'1') {
    parking_ = slewing_ = false;
    atPark_ = true;
  }
}

Reply AlpacaTelescope::handle(const QString& verb, const QString& member, const QMap<QString, QString>& params) {
  if (verb == u"PUT") return put(member, params);
  return get(member);
}

Reply AlpacaTelescope::get(const QString& m) {
  // Members that need no controller.
  if (m == u"connected") return value(connected_ && link_.isOpen());
  if (m == u"name") return value(options_.name);
  if (m == u"description") return value(QStringLiteral("OrvanMirel observatory controller (mount and dome)"));
  if (m == u"driverinfo") return value(QStringLiteral("OrvanforASCOM: the controller's telescope as an Alpaca device"));
  if (m == u"driverversion") return value(QStringLiteral("1.0"));
  if (m == u"interfaceversion") return value(3);
  if (m == u"supportedactions") return value(QJsonArray());
  if (m == u"alignmentmode") return value(options_.alignmentMode);
  if (m == u"equatorialsystem") return value(2);  // J2000
  if (m == u"canpark" || m == u"canunpark" || m == u"canslewasync" || m == u"cansync") return value(true);
  if (m.startsWith(QStringLiteral("can")) && m != u"canmoveaxis") return value(false);
  if (m == u"canmoveaxis") return value(false);
  if (m == u"trackingrate") return value(0);  // sidereal
  if (m == u"trackingrates") return value(QJsonArray{0});
  if (m == u"utcdate") return value(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
  if (m == u"slewsettletime") return value(0);
  if (m == u"targetrightascension" || m == u"targetdeclination") {
    const auto& t = m == u"targetrightascension" ? targetRa_ : targetDec_;
    return t ? value(*t) : error(kValueNotSet, m + QStringLiteral(" has not been set"));
  }
  static const QStringList kPosition = {"rightascension", "declination", "slewing", "atpark", "athome", "tracking"};
  if (!kPosition.contains(m)) return notImplemented(m);
  if (!connected_ || !link_.isOpen()) return error(kNotConnected, QStringLiteral("not connected to the controller"));
  if (m == u"slewing") return value(slewing_);
  if (m == u"atpark") return value(atPark_);
  if (m == u"athome") return value(false);
  if (m == u"tracking") return value(!atPark_);
  if (!link_.hasPosition()) return error(kDriverError, QStringLiteral("the controller has not reported a position yet"));
  return value(m == u"rightascension" ? link_.ra() / 3600.0 : link_.dec() / 3600.0);
}

Reply AlpacaTelescope::put(const QString& m, const QMap<QString, QString>& p) {
  Reply bad;
  if (m == u"connected") {
    if (!p.contains(QStringLiteral("connected"))) return badRequest(QStringLiteral("missing parameter Connected"));
    const QString v = p[QStringLiteral("connected")].trimmed().toLower();
    if (v != u"true" && v != u"false") return error(kInvalidValue, QStringLiteral("Connected must be True or False"));
    if (v == u"false") {
      connected_ = false;
      return done();
    }
    if (!link_.open()) return error(kNotConnected, QStringLiteral("the controller is not running (no application link)"));
    connected_ = true;
    return done();
  }
  static const QStringList kKnown = {"abortslew", "park", "unpark", "slewtocoordinatesasync", "slewtotargetasync",
                                     "synctocoordinates", "synctotarget", "targetrightascension", "targetdeclination"};
  if (!kKnown.contains(m)) return notImplemented(m);
  if (m == u"targetrightascension" || m == u"targetdeclination") {
    const bool isRa = m == u"targetrightascension";
    const auto v = number(p, isRa ? QStringLiteral("targetrightascension") : QStringLiteral("targetdeclination"), bad);
    if (!v) return bad;
    if (isRa ? (*v < 0 || *v >= 24) : std::fabs(*v) > 90) return error(kInvalidValue, m + QStringLiteral(" out of range"));
    (isRa ? targetRa_ : targetDec_) = *v;
    return done();
  }
  // Everything else moves the mount or tells it where it is: only when connected.
  if (!connected_ || !link_.isOpen()) return error(kNotConnected, QStringLiteral("not connected to the controller"));
  if (m == u"abortslew") {
    if (atPark_) return error(kParked, QStringLiteral("the telescope is parked"));
    link_.mission(QStringLiteral("52"));
    slewing_ = parking_ = false;
    return done();
  }
  if (m == u"park") {
    if (atPark_) return done();
    link_.mission(QStringLiteral("54"));
    parking_ = slewing_ = true;
    return done();
  }
  if (m == u"unpark") {
    atPark_ = false;
    return done();
  }
  double ra = 0, dec = 0;
  if (m == u"slewtotargetasync" || m == u"synctotarget") {
    if (!targetRa_ || !targetDec_) return error(kValueNotSet, QStringLiteral("the target has not been set"));
    ra = *targetRa_;
    dec = *targetDec_;
  } else {
    const auto r = number(p, QStringLiteral("rightascension"), bad);
    if (!r) return bad;
    const auto d = number(p, QStringLiteral("declination"), bad);
    if (!d) return bad;
    ra = *r;
    dec = *d;
  }
  if (ra < 0 || ra >= 24 || std::fabs(dec) > 90) return error(kInvalidValue, QStringLiteral("coordinates out of range"));
  if (atPark_) return error(kParked, QStringLiteral("the telescope is parked"));
  targetRa_ = ra;
  targetDec_ = dec;
  return m.startsWith(QStringLiteral("slew")) ? slew(ra, dec) : sync(ra, dec);
}

Reply AlpacaTelescope::slew(double raHours, double decDegrees) {
  refused_ = false;
  slewing_ = true;
  link_.mission(QStringLiteral("150,0,0,") + targetText(raHours, decDegrees) + QStringLiteral(",Alpaca"));
  // The controller answers a refusal at once; an accepted goto is heard of only at its end.
  QElapsedTimer t;
  t.start();
  while (!refused_ && t.elapsed() < options_.refusalWaitMs && link_.isOpen())
    link_.waitForTraffic(int(std::max<qint64>(1, options_.refusalWaitMs - t.elapsed())));
  if (refused_) return error(kInvalidValue, QStringLiteral("the controller refused the target (below the horizon or not accepted)"));
  return done();
}

Reply AlpacaTelescope::sync(double raHours, double decDegrees) {
  // The link syncs in J2000, the frame of its position answer, as this device's coordinates are.
  link_.send(90, QString::number(raHours * 3600, 'f', 2) + u',' + QString::number(decDegrees * 3600, 'f', 1));
  return done();
}

}  // namespace orvan
