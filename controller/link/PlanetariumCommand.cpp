#include "PlanetariumCommand.h"

#include "ACal2.h"
#include "Clock.h"
#include "CommandFramer.h"
#include "Cp932.h"
#include "IniFile.h"
#include "LinkHost.h"
#include "MeadeArgs.h"
#include "MeadeReplies.h"
#include "MountDriver.h"
#include "SiteTexts.h"

#include <QDate>
#include <QRegularExpression>

namespace orvan {
namespace {

const QString kRejected = QStringLiteral("0");
const QString kAccepted = QStringLiteral("1");
// The Meade words for a goto the mount will not make, when the mount gave none of its own.
const QString kBelowHorizon = QStringLiteral("Object Below Horizon");
// A set command of this target was refused: its other coordinate is left over from before.
const QString kTargetNotSet = QStringLiteral("Target Not Set");

// The commands that carry an argument after their two letters.
bool takesArgument(const QString& name) {
  static const QStringList kNames = {"Sr", "Sd", "Sg", "St", "SG", "SL", "SC", "ST"};
  return kNames.contains(name);
}

// The refusal "1<text>#", the text cut down to what one reply can carry.
QString refusal(const QString& words) {
  QString text;
  for (const QChar c : words)
    if (c.unicode() >= 0x20 && c.unicode() < 0x7F && c != u'#') text += c;
  return u'1' + (text.isEmpty() ? kBelowHorizon : text) + u'#';
}

bool isCommandByte(QChar c) { return c.unicode() >= 0x20 && c.unicode() != 0x7F; }

}  // namespace

QString PlanetariumCommand::interpret(const QString& text) {
  if (text == u"Assist") return assist();
  CommandFramer framer;
  QString replies;
  for (const QByteArray& unit : framer.push(cp932::encode(text), 0)) replies += command(cp932::decode(unit));
  return replies;
}

QString PlanetariumCommand::command(const QString& unit) {
  if (unit.size() == 1 && unit[0] == QChar(CommandFramer::kAlignmentQuery)) return alignment();
  // Blanks or line ends a program puts between its commands are not part of the next one.
  qsizetype start = 0;
  while (start < unit.size() && (unit[start] == u' ' || unit[start] == u'\r' || unit[start] == u'\n')) ++start;
  const QStringView text = QStringView(unit).mid(start);
  // Stellarium's leading '#' arrives as a unit of its own and is answered by nothing.
  if (text.size() < 3 || text.front() != u':' || text.back() != u'#') return {};
  const QString body = text.mid(1, text.size() - 2).toString();
  for (const QChar c : body)
    if (!isCommandByte(c) || c == u'#') return {};
  const QString name = body.left(2);
  if (takesArgument(name)) return withArgument(name, meade::ArgumentAt(body, 2));
  return withoutArgument(body);
}

QString PlanetariumCommand::alignment() const {
  const QString& mount = host_.state().site.MountType;
  if (mount == u"A") return QStringLiteral("A");
  if (mount == u"F" || mount == u"G") return QStringLiteral("P");
  return {};
}

QString PlanetariumCommand::withoutArgument(const QString& name) {
  PlanetariumState& sky = host_.state().planetarium;
  if (name == u"GR") return raNow();
  if (name == u"GD") return decNow();
  if (name == u"MS") return gotoTarget();
  if (name == u"CM") return syncTarget();
  if (name == u"Q") {
    stopMove(QChar());
    return QStringLiteral("#");
  }
  if (name.size() == 2 && name[0] == u'M' && QStringLiteral("nswe").contains(name[1])) {
    move(name[1]);
    return {};
  }
  if (name.size() == 2 && name[0] == u'Q' && QStringLiteral("nswe").contains(name[1])) {
    stopMove(name[1]);
    return {};
  }
  if (name == u"RG") sky.MoveRate = 1;
  else if (name == u"RC") sky.MoveRate = 2;
  else if (name == u"RM" || name == u"RS") sky.MoveRate = 3;
  else if (name == u"TQ") host_.Mission(MissionCode::PlanetariumTrackingQuery);
  else if (name == u"T000.00") host_.Mission(MissionCode::PlanetariumTrackingRate);
  else if (name == u"hP") host_.Mission(MissionCode::Park);
  else return query(name);
  return {};
}

QString PlanetariumCommand::withArgument(const QString& name, const QString& arg) {
  SharedState& st = host_.state();
  const QString ini = host_.IniPath();
  if (name == u"Sr") {
    const auto ra = meade::ParseRa(arg);
    raRefused_ = !ra;
    if (!ra) return kRejected;
    st.planetarium.TargetRA = *ra;
    return kAccepted;
  }
  if (name == u"Sd") {
    const auto dec = meade::ParseDec(arg);
    decRefused_ = !dec;
    if (!dec) return kRejected;
    st.planetarium.TargetDec = *dec;
    return kAccepted;
  }
  // A site change is loaded into the running state at once: the sidereal time, the horizon
  // test of the next goto and the replies to ":Gg#" / ":Gt#" follow it.
  if (name == u"Sg") {
    const auto west = meade::ParseLongitude(arg);
    if (!west) return kRejected;
    WriteIni(ini, "LOCATION", "LONGITUDE", meade::LongitudeText(*west));
    host_.IniRead();
    return kAccepted;
  }
  if (name == u"St") {
    const auto lat = meade::ParseLatitude(arg);
    if (!lat) return kRejected;
    WriteIni(ini, "LOCATION", "LATITUDE", meade::LatitudeText(*lat));
    host_.IniRead();
    return kAccepted;
  }
  if (name == u"SG") {
    const auto offset = meade::ParseUtcOffset(arg);
    if (!offset) return kRejected;
    WriteIni(ini, "LOCATION", "TIMEZONE", meade::TimeZoneText(*offset));
    host_.IniRead();
    return kAccepted;
  }
  // The computer's own clock and date are used; a well-formed time or date is accepted.
  if (name == u"SL") return meade::ParseRa(arg) ? kAccepted : kRejected;
  if (name == u"SC") {
    static const QRegularExpression kDate(QStringLiteral("^(\\d\\d)/(\\d\\d)/(\\d\\d)$"));
    const QRegularExpressionMatch m = kDate.match(arg);
    const bool ok = m.hasMatch() && QDate::isValid(2000 + m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt());
    return ok ? kAccepted : kRejected;
  }
  // ":ST0.0#", a tracking rate of nothing: stop.
  if (name == u"ST" && arg == u"0.0") {
    if (MountDriver* t = host_.Telescope()) t->cmdStop();
    return kAccepted;
  }
  return kRejected;
}

// The queries clients send on connecting and while slewing, answered from the controller's
// own site, clock and mount state.
QString PlanetariumCommand::query(const QString& name) const {
  SharedState& st = host_.state();
  if (name == u"GVN" || name == u"GVP") return meade::kFirmwareVersion + u'#';
  if (name == u"GVD") return meade::FirmwareDateReply();
  if (name == u"GVT") return meade::FirmwareTimeReply();
  if (name == u"GVF") return meade::FullVersionReply();
  if (name == u"Gc") return QStringLiteral("24#");
  if (name == u"GM") return QStringLiteral("OrvanMirel#");
  if (name == u"GT") return meade::TrackingRateReply(st.mount.TelState);
  if (name == u"Gt") return meade::LatitudeReply(st.site.SiteLatitude);
  if (name == u"Gg") return meade::LongitudeReply(st.site.SiteLongitude);
  if (name == u"GG") return meade::UtcOffsetReply(st.site.TimeZoneSeconds);
  if (name == u"GL") return meade::LocalTimeReply(Clock::current().secondsSinceMidnight());
  if (name == u"GC") return meade::DateReply(Clock::current().localDate());
  if (name == u"GS") return meade::RaReply(ACal2(st.site, st.mount).LocalSiderealTime());
  if (name == u"D") return meade::DistanceBarReply(st.mount.TelState);
  return {};
}

// ":MS#": "0" when the mount slews, otherwise the Meade refusal "1<why>#".
QString PlanetariumCommand::gotoTarget() {
  SharedState& st = host_.state();
  const PlanetariumState& sky = st.planetarium;
  if (raRefused_ || decRefused_) return refusal(kTargetNotSet);
  // A refused goto leaves the last goto's target as it was (the main loop's detour and the
  // sync dialog read it).
  const double keptRa = st.mount.GotoRA, keptDec = st.mount.GotoDec;
  const QString keptEpoch = st.mount.GotoEpoch;
  st.mount.GotoRA = sky.TargetRA;
  st.mount.GotoDec = sky.TargetDec;
  st.mount.GotoEpoch = epochText();
  // The driver may convert its arguments to the equinox of date: it gets copies.
  double ra = sky.TargetRA, dec = sky.TargetDec;
  MountDriver* t = host_.Telescope();
  if (t && t->cmdGoto(ra, dec, epochText())) return QStringLiteral("0");
  st.mount.GotoRA = keptRa;
  st.mount.GotoDec = keptDec;
  st.mount.GotoEpoch = keptEpoch;
  // The driver can be rebound while it waits: ask whichever is bound now for its words.
  MountDriver* now = host_.Telescope();
  return refusal(now ? now->lastRefusal() : QString());
}

// ":CM#": "#" when the mount took the position. A refused sync gets no reply at all: INDI
// counts any '#'-terminated text as done and only a missing reply as a failure, and
// Stellarium reads a missing reply as a failure too, so silence is the one answer no client
// takes for a sync that did not happen.
QString PlanetariumCommand::syncTarget() {
  const PlanetariumState& sky = host_.state().planetarium;
  if (raRefused_ || decRefused_) return {};
  double ra = sky.TargetRA, dec = sky.TargetDec;
  MountDriver* t = host_.Telescope();
  if (t && t->cmdSync(ra, dec, epochText())) return QStringLiteral("#");
  return {};
}

QString PlanetariumCommand::assist() const {
  SharedState& st = host_.state();
  double ra = 0, dec = 0;
  ACal2(st.site, st.mount).PrecessRaDec(st.mount.TelRA, st.mount.TelDec, ra, dec, "EOD2000");
  return QString::number(ra, 'g', 15) + u',' + QString::number(dec, 'g', 15);
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

// A planetarium's ":Mw#" means west on the sky, and the LX200 mount must receive ":Mw#". The
// mount driver takes the hand controller's letters, and the hand controller's east and west
// are crossed on the way to the mount (its "E" button sends ":Mw#"). So the sky direction goes
// in as the handset letter that ends at the same Meade command.
QString HandsetLetter(QChar skyDirection) {
  switch (skyDirection.unicode()) {
    case 'n': return QStringLiteral("N");
    case 's': return QStringLiteral("S");
    case 'w': return QStringLiteral("E");
    case 'e': return QStringLiteral("W");
    default: return {};
  }
}

// Clients that never chose a rate (INDI sends one only when the observer changes it) still
// expect the mount to move: the middle rate is used until a rate command arrives.
void PlanetariumCommand::move(QChar skyDirection) {
  const int16_t rate = host_.state().planetarium.MoveRate;
  if (MountDriver* t = host_.Telescope()) t->cmdMove(HandsetLetter(skyDirection), rate == 0 ? int16_t(2) : rate);
}

// ":Q#" (no direction) ends all hand motion; ":Qn#" and friends end the motion in their
// direction first, as the mount's own quit command.
void PlanetariumCommand::stopMove(QChar skyDirection) {
  if (MountDriver* t = host_.Telescope()) t->cmdMove(HandsetLetter(skyDirection), 9);
}

QString PlanetariumCommand::epochText() const {
  return host_.state().planetarium.SkyMapEpoch == 2 ? QStringLiteral("2000") : QStringLiteral("EOD");
}

}  // namespace orvan
