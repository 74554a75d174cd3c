#include "AlpacaTelescope.h"

#include "LinkClient.h"
#include "LinkMessageCode.h"
#include "MissionCode.h"
#include "StoredSite.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <utility>

namespace orvan {
using namespace alpaca;

namespace {

// "(hh:mm:ss +dd:mm:ss)", whole seconds as the controller's target text carries them.
QString targetText(double raHours, double decDegrees) {
  long long ra = std::llround(raHours * 3600) % 86400;
  long long dec = std::llround(std::fabs(decDegrees) * 3600);
  if (dec > 324000) dec = 324000;
  return QString::asprintf("(%02lld:%02lld:%02lld %c%02lld:%02lld:%02lld)", ra / 3600, ra / 60 % 60, ra % 60,
                           decDegrees < 0 ? '-' : '+', dec / 3600, dec / 60 % 60, dec % 60);
}

// Members that take an Axis (0 right ascension, 1 declination, 2 tertiary).
std::optional<int> axis(const Params& p, Reply& bad) {
  const auto a = number(p, QStringLiteral("axis"), bad);
  if (!a) return std::nullopt;
  if (*a != 0 && *a != 1 && *a != 2) {
    bad = error(kInvalidValue, QStringLiteral("Axis must be 0, 1 or 2"));
    return std::nullopt;
  }
  return int(*a);
}

}  // namespace

AlpacaTelescope::AlpacaTelescope(LinkClient& link, Options options)
    : DeviceBase(link, {options.name, QStringLiteral("OrvanMirel observatory controller (mount and dome)"),
                        QStringLiteral("OrvanforASCOM: the controller's telescope as an Alpaca device"), 3}),
      options_(std::move(options)) {
  QObject::connect(&link_, &LinkClient::message, &link_, [this](int16_t c, const QString& t) { onMessage(c, t); });
  QObject::connect(&link_, &LinkClient::closed, &link_, [this] {
    parking_ = false;
    // The controller stops what this device moved when the link goes.
    movingAxis_.reset();
    handHold_.stop();
  });
  handHold_.setInterval(std::clamp(options_.handHoldMs / 2, 10, 1000));
  QObject::connect(&handHold_, &QTimer::timeout, &link_, [this] {
    if (lastRequest_.isValid() && lastRequest_.elapsed() >= options_.handHoldMs) stopAxis();
  });
}

void AlpacaTelescope::onMessage(int16_t code, const QString& text) {
  // "NG" is a refused goto or park, or one given up after it started (a stop, a lost mount):
  // a park given up is no park either.
  if (code == codeOf(LinkMessageCode::MissionRequest) && text == u"NG") parking_ = false, refused_ = true;
  // The end of a park goto reports the status word with its sixth place set.
  if (code == codeOf(LinkMessageCode::Status) && parking_ && text.size() >= 6 && text[5] == u'1') {
    parking_ = false;
    atPark_ = true;
  }
}

const QStringList& AlpacaTelescope::members() const {
  static const QStringList kMembers = {
      "alignmentmode", "altitude", "aperturearea", "aperturediameter", "athome", "atpark", "azimuth", "canfindhome",
      "canpark", "canpulseguide", "cansetdeclinationrate", "cansetguiderates", "cansetpark", "cansetpierside",
      "cansetrightascensionrate", "cansettracking", "canslew", "canslewaltaz", "canslewaltazasync", "canslewasync",
      "cansync", "cansyncaltaz", "canunpark", "declination", "declinationrate", "doesrefraction", "equatorialsystem",
      "focallength", "guideratedeclination", "guideraterightascension", "ispulseguiding", "rightascension",
      "rightascensionrate", "sideofpier", "siderealtime", "siteelevation", "sitelatitude", "sitelongitude", "slewing",
      "slewsettletime", "targetdeclination", "targetrightascension", "tracking", "trackingrate", "trackingrates",
      "utcdate", "abortslew", "axisrates", "canmoveaxis", "destinationsideofpier", "findhome", "moveaxis", "park",
      "pulseguide", "setpark", "slewtoaltaz", "slewtoaltazasync", "slewtocoordinates", "slewtocoordinatesasync",
      "slewtotarget", "slewtotargetasync", "synctoaltaz", "synctocoordinates", "synctotarget", "unpark"};
  return kMembers;
}

std::optional<AlpacaTelescope::MountState> AlpacaTelescope::mountState() {
  const auto text = link_.ask(codeOf(LinkMessageCode::MountQuery), QString(), codeOf(LinkMessageCode::MountState), options_.answerWaitMs);
  if (!text) return std::nullopt;
  const QStringList f = text->split(u',');
  bool ok1 = false, ok2 = false;
  MountState s{f.value(0).toInt(&ok1), f.value(1).toDouble(&ok2) / 3600.0, f.value(2) == u"1", std::nullopt, {}};
  if (f.size() != 7 || !ok1 || !ok2) return std::nullopt;
  for (int k = 0; k < 3; ++k) {
    bool ok = false;
    const double r = f[4 + k].toDouble(&ok);
    s.handRates[k] = ok && std::isfinite(r) && r > 0 ? r : 0;
  }
  // The controller's side letter names where the tube stands: on the east side it looks west,
  // Alpaca's pierEast.
  if (f[3] == u"E") s.sideOfPier = 0;
  else if (f[3] == u"W") s.sideOfPier = 1;
  return s;
}

bool AlpacaTelescope::settle() {
  return link_.ask(codeOf(LinkMessageCode::PositionQuery), QString(), codeOf(LinkMessageCode::Position), options_.answerWaitMs)
      .has_value();
}

Reply AlpacaTelescope::get(const QString& m, const Params& p) {
  Reply bad;
  if (m == u"axisrates" || m == u"canmoveaxis") {
    const auto a = axis(p, bad);
    if (!a) return bad;
    // The hand controller moves the two axes of the mount, not a tertiary one.
    if (*a == 2) return m == u"canmoveaxis" ? value(false) : value(QJsonArray());
    if (!connected()) return notConnected();
    const auto s = mountState();
    if (!s) return error(kDriverError, QStringLiteral("the controller did not answer"));
    // Each hand rate is one discrete rate, slowest first.
    QJsonArray rates;
    for (double r : s->handRates)
      if (r > 0) rates.append(QJsonObject{{QStringLiteral("Minimum"), r}, {QStringLiteral("Maximum"), r}});
    return m == u"canmoveaxis" ? value(!rates.isEmpty()) : value(rates);
  }
  // Members that need no controller.
  if (m == u"alignmentmode") return value(options_.alignmentMode);
  if (m == u"equatorialsystem") return value(2);  // J2000
  if (m == u"canunpark" || m == u"canslewasync" || m == u"cansync") return value(true);
  if (m.startsWith(QStringLiteral("can")) && m != u"canpark" && m != u"canmoveaxis") return value(false);
  if (m == u"trackingrate") return value(0);  // sidereal
  if (m == u"trackingrates") return value(QJsonArray{0});
  if (m == u"declinationrate" || m == u"rightascensionrate") return value(0.0);
  if (m == u"utcdate") return value(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
  if (m == u"slewsettletime") return value(0);
  if ((m == u"sitelatitude" || m == u"sitelongitude" || m == u"siteelevation") && !options_.iniPath.isEmpty()) {
    const StoredSite site = ReadStoredSite(options_.iniPath);
    return value(m == u"sitelatitude" ? site.latitude : m == u"sitelongitude" ? site.longitude : site.height);
  }
  if (m == u"targetrightascension" || m == u"targetdeclination") {
    const auto& t = m == u"targetrightascension" ? targetRa_ : targetDec_;
    return t ? value(*t) : error(kValueNotSet, m + QStringLiteral(" has not been set"));
  }
  static const QStringList kFromController = {"rightascension", "declination", "slewing", "atpark", "athome",
                                              "tracking", "siderealtime", "canpark", "sideofpier"};
  if (!kFromController.contains(m)) return notImplemented(m);
  if (!connected()) return notConnected();
  if (m == u"atpark") return value(atPark_);
  if (m == u"athome") return value(false);
  if (m == u"tracking") return value(!atPark_);
  if (m == u"slewing" || m == u"siderealtime" || m == u"canpark" || m == u"sideofpier") {
    const auto s = mountState();
    if (!s) return error(kDriverError, QStringLiteral("the controller did not answer"));
    if (m == u"sideofpier") return s->sideOfPier ? value(*s->sideOfPier) : notImplemented(m);
    if (m == u"slewing") return value(s->telState == 2);
    if (m == u"canpark") return value(s->canPark);
    return value(s->siderealHours);
  }
  if (!link_.hasPosition()) return error(kDriverError, QStringLiteral("the controller has not reported a position yet"));
  return value(m == u"rightascension" ? link_.ra() / 3600.0 : link_.dec() / 3600.0);
}

Reply AlpacaTelescope::put(const QString& m, const Params& p) {
  Reply bad;
  static const QStringList kKnown = {"abortslew", "moveaxis", "park", "unpark", "slewtocoordinatesasync", "slewtotargetasync",
                                     "synctocoordinates", "synctotarget", "targetrightascension", "targetdeclination"};
  if (!kKnown.contains(m)) return notImplemented(m);
  if (m == u"targetrightascension" || m == u"targetdeclination") {
    const bool isRa = m == u"targetrightascension";
    const auto v = number(p, m, bad);
    if (!v) return bad;
    if (isRa ? (*v < 0 || *v >= 24) : std::fabs(*v) > 90) return error(kInvalidValue, m + QStringLiteral(" out of range"));
    (isRa ? targetRa_ : targetDec_) = *v;
    return done();
  }
  if (m == u"moveaxis") {
    const auto a = axis(p, bad);
    if (!a) return bad;
    const auto rate = number(p, QStringLiteral("rate"), bad);
    if (!rate) return bad;
    if (!connected()) return notConnected();
    return moveAxis(*a, *rate);
  }
  // Everything else moves the mount or tells it where it is: only when connected.
  if (!connected()) return notConnected();
  if (m == u"abortslew") {
    if (atPark_) return error(kParked, QStringLiteral("the telescope is parked"));
    link_.mission(QString::number(codeOf(MissionCode::Stop)));
    parking_ = false;
    // The stop ends hand motion too.
    movingAxis_.reset();
    handHold_.stop();
    return done();
  }
  if (m == u"park") {
    if (atPark_) return done();
    refused_ = false;
    link_.mission(QString::number(codeOf(MissionCode::Park)));
    settle();
    if (refused_) return error(kInvalidOperation, QStringLiteral("no park position is set in the controller"));
    parking_ = true;
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
  link_.mission(QString::number(kLinkGotoMission) + QStringLiteral(",0,0,") + targetText(raHours, decDegrees) + QStringLiteral(",Alpaca"));
  // A refusal comes at once; an accepted goto is heard of only at its end.
  if (!settle() && !refused_) return error(kDriverError, QStringLiteral("the controller did not answer"));
  if (refused_)
    return error(kInvalidValue, QStringLiteral("the controller refused the target (below the horizon or not accepted by the mount)"));
  return done();
}

Reply AlpacaTelescope::moveAxis(int axis, double rate) {
  if (axis == 2) return error(kNotImplemented, QStringLiteral("the tertiary axis cannot be moved"));
  if (atPark_) return error(kParked, QStringLiteral("the telescope is parked"));
  int speed = 0;
  if (rate != 0) {
    const auto s = mountState();
    if (!s) return error(kDriverError, QStringLiteral("the controller did not answer"));
    QStringList offered;
    for (int k = 0; k < 3; ++k) {
      const double r = s->handRates[k];
      if (r <= 0) continue;
      offered << QString::number(r, 'g', 6);
      // A client passes back the numbers axisrates gave; a rounding of them is the same rate.
      if (std::fabs(std::fabs(rate) - r) <= 1e-3 * r) speed = k + 1;
    }
    if (offered.isEmpty()) return error(kInvalidOperation, QStringLiteral("the mount cannot be moved by hand"));
    if (speed == 0)
      return error(kInvalidValue, QStringLiteral("Rate must be one of the axis rates (degrees per second, either sign): ") +
                                      offered.join(QStringLiteral(", ")));
    if (rate < 0) speed = -speed;
  }
  const auto answer = link_.ask(codeOf(LinkMessageCode::HandMove), QStringLiteral("%1,%2").arg(axis).arg(speed),
                                codeOf(LinkMessageCode::HandMoveAnswer), options_.answerWaitMs);
  if (!answer) return error(kDriverError, QStringLiteral("the controller did not answer"));
  if (answer->startsWith(QStringLiteral("NG"))) {
    const QString reason = answer->section(u',', 1);
    return error(kInvalidOperation, reason.isEmpty() ? QStringLiteral("the controller refused the motion") : reason);
  }
  if (speed != 0) {
    movingAxis_ = axis;
    handHold_.start();
  } else if (movingAxis_ == axis) {
    movingAxis_.reset();
    handHold_.stop();
  }
  return done();
}

void AlpacaTelescope::stopAxis() {
  handHold_.stop();
  if (!movingAxis_) return;
  const int axis = *std::exchange(movingAxis_, std::nullopt);
  link_.ask(codeOf(LinkMessageCode::HandMove), QStringLiteral("%1,0").arg(axis), codeOf(LinkMessageCode::HandMoveAnswer),
            options_.answerWaitMs);
}

void AlpacaTelescope::disconnecting() { stopAxis(); }

Reply AlpacaTelescope::sync(double raHours, double decDegrees) {
  // The link syncs in J2000, the frame of its position answer, as this device's coordinates are.
  const auto answer = link_.ask(codeOf(LinkMessageCode::SyncAsk),
                                QString::number(raHours * 3600, 'f', 2) + u',' + QString::number(decDegrees * 3600, 'f', 1),
                                codeOf(LinkMessageCode::SyncAnswer), options_.answerWaitMs);
  if (!answer) return error(kDriverError, QStringLiteral("the controller did not answer"));
  if (answer->startsWith(QStringLiteral("NG"))) {
    const QString reason = answer->section(u',', 1);
    return error(kInvalidOperation, reason.isEmpty() ? QStringLiteral("the controller refused the sync") : reason);
  }
  // The controller's own position follows at its next reading of the mount.
  link_.setPosition(raHours * 3600, decDegrees * 3600);
  return done();
}

}  // namespace orvan
