#include "PlanetariumCommand.h"

#include "ACal2.h"
#include "Clock.h"
#include "IniFile.h"
#include "LinkHost.h"
#include "MeadeArgs.h"
#include "MeadeReplies.h"
#include "MountDriver.h"
#include "SiteTexts.h"

#include <QStringList>

namespace orvan {
namespace {

const QString kRejected = QStringLiteral("0");
const QString kAccepted = QStringLiteral("1");
// The Meade answer to a goto the mount will not make.
const QString kGotoRefused = QStringLiteral("1Object Below Horizon#");

}  // namespace

QString PlanetariumCommand::interpret(const QString& received) {
  QString text = received;
  if (text.startsWith(u'#')) text.remove(0, 1);  // Stellarium starts every write with '#'

  if (text == QString(QChar(0x06))) {  // alignment query
    const QString& mount = host_.state().site.MountType;
    if (mount == u"A") return QStringLiteral("A");
    if (mount == u"F" || mount == u"G") return QStringLiteral("P");
    return {};
  }
  if (text.contains(u":TQ#")) {
    host_.Mission(37);
    return {};
  }
  if (text.contains(u":T000.00#")) {
    host_.Mission(40);
    return {};
  }
  if (text.contains(u":hP#")) {
    host_.Mission(54);  // park
    return {};
  }

  bool handled = false;
  const QString reply = siteCommand(text, handled);
  if (handled) return reply;

  QString kept;
  for (const QString& p : text.split(QStringLiteral("#:"))) {
    if (part(p, kept) == Flow::Stop) break;
  }
  return kept;
}

// Commands recognised by how the whole text starts: the site and clock settings, the stop,
// tracking and the application link's position request.
QString PlanetariumCommand::siteCommand(const QString& text, bool& handled) {
  handled = true;
  SharedState& st = host_.state();
  const QString ini = host_.IniPath();
  if (text.startsWith(u":SL") || text.startsWith(u":SC")) return kAccepted;  // own clock is used
  if (text.startsWith(u":Sg")) {
    const auto west = meade::ParseLongitude(meade::ArgumentAt(text, 3));
    if (!west) return kRejected;
    WriteIni(ini, "LOCATION", "LONGITUDE", meade::LongitudeText(*west));
    return kAccepted;
  }
  if (text.startsWith(u":St")) {
    const auto lat = meade::ParseLatitude(meade::ArgumentAt(text, 3));
    if (!lat) return kRejected;
    WriteIni(ini, "LOCATION", "LATITUDE", meade::LatitudeText(*lat));
    return kAccepted;
  }
  if (text.startsWith(u":SG")) {
    const auto offset = meade::ParseUtcOffset(meade::ArgumentAt(text, 3));
    if (!offset) return kRejected;
    WriteIni(ini, "LOCATION", "TIMEZONE", meade::TimeZoneText(*offset));
    host_.IniRead();  // applies the time zone and the latitude and longitude written before
    return kAccepted;
  }
  if (text.startsWith(u":ST0.0")) {
    if (MountDriver* t = host_.Telescope()) t->cmdStop();
    return kAccepted;
  }
  if (text.startsWith(u":TQ")) {
    if (MountDriver* t = host_.Telescope()) t->cmdTrucking();
    return {};
  }
  if (text.startsWith(u"Assist")) {
    double ra = 0, dec = 0;
    ACal2(st.site, st.mount).PrecessRaDec(st.mount.TelRA, st.mount.TelDec, ra, dec, "EOD2000");
    return QString::number(ra, 'g', 15) + u',' + QString::number(dec, 'g', 15);
  }
  handled = false;
  return {};
}

// One command of a text split at "#:". Every keyword it contains acts, in this order; each
// reply replaces the one kept before.
PlanetariumCommand::Flow PlanetariumCommand::part(const QString& p, QString& reply) {
  SharedState& st = host_.state();
  PlanetariumState& sky = st.planetarium;
  if (p.contains(u"GR")) reply = raNow();
  if (p.contains(u"GD")) reply = decNow();
  if (p.contains(u"GVN")) reply = QStringLiteral("2.40#");
  if (p.contains(u"GVP")) reply = QStringLiteral("2.40#");
  if (p.contains(u"CM")) {
    // The driver may convert its arguments to the equinox of date: it gets copies.
    double ra = sky.TargetRA, dec = sky.TargetDec;
    if (MountDriver* t = host_.Telescope()) t->cmdSync(ra, dec, epochText());
    reply = QStringLiteral("#");
  }
  if (p.contains(u"MS")) {
    st.mount.GotoRA = sky.TargetRA;
    st.mount.GotoDec = sky.TargetDec;
    st.mount.GotoEpoch = epochText();
    double ra = sky.TargetRA, dec = sky.TargetDec;
    MountDriver* t = host_.Telescope();
    const bool started = t && t->cmdGoto(ra, dec, epochText());
    reply = started ? QStringLiteral("0") : kGotoRefused;  // "0": the mount slews
  }
  if (p.contains(u"Sr") && setTargetRa(p, reply) == Flow::Stop) return Flow::Stop;
  if (p.contains(u"Sd") && setTargetDec(p, reply) == Flow::Stop) return Flow::Stop;
  if (p.contains(u"RG")) sky.MoveRate = 1;
  if (p.contains(u"RC")) sky.MoveRate = 2;
  if (p.contains(u"RM")) sky.MoveRate = 3;
  if (p.contains(u"RS")) sky.MoveRate = 3;
  if (p.contains(u"Mn")) move(QStringLiteral("N"));
  if (p.contains(u"Ms")) move(QStringLiteral("S"));
  if (p.contains(u"Mw")) move(QStringLiteral("W"));
  if (p.contains(u"Me")) move(QStringLiteral("E"));
  if (p.contains(u"Qn")) stopMove();
  if (p.contains(u"Qs")) stopMove();
  if (p.contains(u"Qw")) stopMove();
  if (p.contains(u"Qe")) stopMove();
  if (p.contains(u"Q")) {
    stopMove();
    reply = QStringLiteral("#");
  }
  QString body = p;
  if (body.startsWith(u':')) body.remove(0, 1);
  body = body.left(body.indexOf(u'#')).trimmed();
  const QString answer = query(body);
  if (!answer.isEmpty()) reply = answer;
  return Flow::Continue;
}

// A set command that does not carry a well-formed position is refused with "0" and ends the
// text, so a goto later in the same write never runs on a half-set target.
PlanetariumCommand::Flow PlanetariumCommand::setTargetRa(const QString& p, QString& reply) {
  const auto ra = meade::ParseRa(meade::ArgumentAt(p, int(p.indexOf(u"Sr")) + 2));
  if (!ra) {
    reply = kRejected;
    return Flow::Stop;
  }
  host_.state().planetarium.TargetRA = *ra;
  reply = kAccepted;
  return Flow::Continue;
}

PlanetariumCommand::Flow PlanetariumCommand::setTargetDec(const QString& p, QString& reply) {
  const auto dec = meade::ParseDec(meade::ArgumentAt(p, int(p.indexOf(u"Sd")) + 2));
  if (!dec) {
    reply = kRejected;
    return Flow::Stop;
  }
  host_.state().planetarium.TargetDec = *dec;
  reply = kAccepted;
  return Flow::Continue;
}

// The queries clients send on connecting and while slewing, answered from the controller's
// own site, clock and mount state. Matched as whole commands: "D" or "GC" would otherwise be
// found inside other commands.
QString PlanetariumCommand::query(const QString& body) const {
  const SharedState& st = host_.state();
  if (body == u"Gc") return QStringLiteral("24#");
  if (body == u"GM") return QStringLiteral("OrvanMirel#");
  if (body == u"GT") return meade::TrackingRateReply(st.mount.TelState);
  if (body == u"Gt") return meade::LatitudeReply(st.site.SiteLatitude);
  if (body == u"Gg") return meade::LongitudeReply(st.site.SiteLongitude);
  if (body == u"GG") return meade::UtcOffsetReply(st.site.TimeZoneSeconds);
  if (body == u"GL") return meade::LocalTimeReply(Clock::current().secondsSinceMidnight());
  if (body == u"GC") return meade::DateReply(Clock::current().localDate());
  if (body == u"D") return meade::DistanceBarReply(st.mount.TelState);
  return {};
}

QString PlanetariumCommand::raNow() const {
  SharedState& st = host_.state();
  if (st.planetarium.SkyMapEpoch != 2) return meade::RaReply(st.mount.TelRA);
  double ra = 0, dec = 0;
  ACal2(st.site, st.mount).PrecessRaDec(st.mount.TelRA, st.mount.TelDec, ra, dec, "EOD2000");
  return meade::RaReply(ra);
}

QString PlanetariumCommand::decNow() const {
  SharedState& st = host_.state();
  if (st.planetarium.SkyMapEpoch != 2) return meade::DecReply(st.mount.TelDec);
  double ra = 0, dec = 0;
  ACal2(st.site, st.mount).PrecessRaDec(st.mount.TelRA, st.mount.TelDec, ra, dec, "EOD2000");
  return meade::DecReply(dec);
}

// Clients that never chose a rate (INDI sends one only when the observer changes it) still
// expect the mount to move: the middle rate is used until a rate command arrives.
void PlanetariumCommand::move(const QString& direction) {
  const int16_t rate = host_.state().planetarium.MoveRate;
  if (MountDriver* t = host_.Telescope()) t->cmdMove(direction, rate == 0 ? int16_t(2) : rate);
}

void PlanetariumCommand::stopMove() {
  if (MountDriver* t = host_.Telescope()) t->cmdMove(QString(), 9);
}

QString PlanetariumCommand::epochText() const {
  return host_.state().planetarium.SkyMapEpoch == 2 ? QStringLiteral("2000") : QStringLiteral("EOD");
}

}  // namespace orvan
