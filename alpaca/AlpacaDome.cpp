#include "AlpacaDome.h"

#include "LinkClient.h"


namespace orvan {
using namespace alpaca;

namespace {

// Alpaca's shutter states.
enum ShutterState { kOpen = 0, kClosed = 1, kOpening = 2, kClosing = 3, kError = 4 };

int shutterState(int slit) {
  switch (slit) {
    case 2: return kOpen;
    case -2: return kClosed;
    case 1: return kOpening;
    case -1: return kClosing;
    default: return kError;  // stopped part-way: neither
  }
}

}  // namespace

AlpacaDome::AlpacaDome(LinkClient& link, int answerWaitMs)
    : DeviceBase(link, {QStringLiteral("OrvanMirel dome"), QStringLiteral("OrvanMirel observatory controller (dome)"),
                        QStringLiteral("OrvanforASCOM: the controller's dome as an Alpaca device"), 2}),
      answerWaitMs_(answerWaitMs) {}

const QStringList& AlpacaDome::members() const {
  static const QStringList kMembers = {
      "altitude",     "athome",       "atpark",        "azimuth",      "canfindhome",  "canpark",     "cansetaltitude",
      "cansetazimuth", "cansetpark",  "cansetshutter", "canslave",     "cansyncazimuth", "shutterstatus", "slaved",
      "slewing",      "abortslew",    "closeshutter",  "findhome",     "openshutter",  "park",        "setpark",
      "slewtoaltitude", "slewtoazimuth", "synctoazimuth"};
  return kMembers;
}

std::optional<domewire::Status> AlpacaDome::request(int16_t code, const QString& text) {
  const auto answer = link_.ask(code, text, domewire::kState, answerWaitMs_);
  return answer ? domewire::Parse(*answer) : std::nullopt;
}

Reply AlpacaDome::command(int16_t code, const QString& text) {
  if (!connected()) return notConnected();
  const auto s = request(code, text);
  if (!s) return error(kDriverError, QStringLiteral("the controller did not answer"));
  if (!s->connected) return error(kInvalidOperation, QStringLiteral("the controller has no dome connected"));
  return done();
}

Reply AlpacaDome::get(const QString& m, const Params&) {
  if (m == u"canfindhome" || m == u"cansetaltitude" || m == u"cansetpark" || m == u"cansyncazimuth")
    return value(false);
  if (m == u"cansetazimuth" || m == u"cansetshutter" || m == u"canslave") return value(true);
  if (m == u"altitude") return notImplemented(m);
  if (!connected()) return notConnected();
  const auto s = request(domewire::kAskState);
  if (!s) return error(kDriverError, QStringLiteral("the controller did not answer"));
  if (m == u"canpark") return value(s->parkAzimuth.has_value());
  if (m == u"slaved") return value(s->following);
  if (m == u"slewing") return value(s->slewing);
  if (m == u"shutterstatus") return value(shutterState(s->slit));
  if (m == u"azimuth") {
    if (!s->azimuth) return error(kDriverError, QStringLiteral("the dome's azimuth is not known (no home or no count)"));
    return value(*s->azimuth);
  }
  // The park azimuth is the dome's only home too.
  if (m == u"atpark" || m == u"athome") return value(s->atPark);
  return notImplemented(m);
}

Reply AlpacaDome::put(const QString& m, const Params& p) {
  Reply bad;
  if (m == u"slaved") {
    const auto on = boolean(p, QStringLiteral("slaved"), bad);
    if (!on) return bad;
    return command(domewire::kFollow, *on ? QStringLiteral("1") : QStringLiteral("0"));
  }
  if (m == u"slewtoazimuth") {
    const auto az = number(p, QStringLiteral("azimuth"), bad);
    if (!az) return bad;
    if (*az < 0 || *az >= 360) return error(kInvalidValue, QStringLiteral("Azimuth must be 0 to less than 360"));
    if (connected()) {
      const auto s = request(domewire::kAskState);
      if (s && s->following) return error(kInvalidOperation, QStringLiteral("the dome follows the telescope (slaved)"));
    }
    return command(domewire::kTurnTo, QString::number(*az, 'f', 3));
  }
  if (m == u"abortslew") return command(domewire::kStop);
  if (m == u"openshutter") return command(domewire::kSlit, QStringLiteral("1"));
  if (m == u"closeshutter") return command(domewire::kSlit, QStringLiteral("-1"));
  if (m == u"park" || m == u"findhome") {
    if (m == u"findhome") return notImplemented(m);
    if (!connected()) return notConnected();
    const auto s = request(domewire::kAskState);
    if (!s) return error(kDriverError, QStringLiteral("the controller did not answer"));
    if (!s->parkAzimuth) return notImplemented(QStringLiteral("park (no park azimuth in the settings)"));
    return command(domewire::kPark);
  }
  return notImplemented(m);
}

}  // namespace orvan
