#include "AppLinkEndpoint.h"

#include "ACal2.h"
#include "LinkHost.h"
#include "LinkMessageCode.h"
#include "LinkWire.h"
#include "MountDriver.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QStringList>
#include <cmath>

Q_LOGGING_CATEGORY(lcAppLink, "orvan.applink", QtWarningMsg)

namespace orvan {
namespace {

// A whole number as the cooperating program writes a mission code: digits with an optional
// minus sign, nothing else.
bool wholeNumber(const QString& s, int& out) {
  static const QRegularExpression kWhole(QStringLiteral("^-?[0-9]{1,6}$"));
  if (!kWhole.match(s).hasMatch()) return false;
  out = s.toInt();
  return true;
}

// A finite decimal number in plain notation ("12345.6", "-3600").
bool plainNumber(const QString& s, double& out) {
  static const QRegularExpression kPlain(QStringLiteral("^\\s*[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)\\s*$"));
  if (!kPlain.match(s).hasMatch()) return false;
  bool ok = false;
  out = s.trimmed().toDouble(&ok);
  return ok && std::isfinite(out);
}

}  // namespace

AppLinkEndpoint::AppLinkEndpoint(LinkHost& host, ACal2& cal, Hooks hooks)
    : host_(host), cal_(cal), hooks_(std::move(hooks)), assist_(host) {}

bool AppLinkEndpoint::message(int16_t code, const QString& text) {
  switch (code) {
    case codeOf(LinkMessageCode::MissionRequest):
      return GetMission(code, text);
    case codeOf(LinkMessageCode::PositionQuery):
      reply(codeOf(LinkMessageCode::Position), assist_.interpret(QStringLiteral("Assist")));
      return true;
    case codeOf(LinkMessageCode::Sync):
      return sync(text);
    case codeOf(LinkMessageCode::SyncAsk):
      return syncAnswered(text);
    case codeOf(LinkMessageCode::MountQuery):
      reply(codeOf(LinkMessageCode::MountState), mountState());
      return true;
    default:
      return hooks_.other && hooks_.other(code, text);
  }
}

void AppLinkEndpoint::answer(int16_t code, const QString& text) {
  if (code == codeOf(LinkMessageCode::Sync) && text == u"Utility" && hooks_.utilityAnswered) hooks_.utilityAnswered();
}

bool AppLinkEndpoint::GetMission(int16_t kind, const QString& text) {
  if (kind != codeOf(LinkMessageCode::MissionRequest)) return false;
  const QStringList f = (text + u',').split(u',');
  int c = 0;
  if (!wholeNumber(f[0].trimmed(), c)) {
    qCDebug(lcAppLink) << "mission without a code dropped:" << text.left(80);
    return false;
  }
  const QString target = f.size() > 3 ? f[3] : QString();
  if (f.size() >= 5) host_.state().planetarium.TargetName = f[4];
  if (c >= 0 && c <= 50) {
    host_.Mission(static_cast<int16_t>(c));
    return true;
  }
  if (c >= 51 && c <= 99) {
    host_.Mission(static_cast<int16_t>(c), f.size() > 1 ? f[1] : QString());
    return true;
  }
  if (c == kLinkGotoMission) return gotoTarget(target);
  return false;
}

bool AppLinkEndpoint::gotoTarget(const QString& target) {
  // A target that cannot be read is not a request: nothing moves and nothing is answered.
  if (!linkwire::IsTargetText(target)) {
    qCDebug(lcAppLink) << "mission 150 with an unreadable target dropped:" << target.left(80);
    return false;
  }
  double ra = 0, dec = 0;
  const bool above = cal_.ParseTargetText(target, ra, dec);
  MountDriver* t = host_.Telescope();
  bool accepted = false;
  if (above && t) {
    MountState& m = host_.state().mount;
    m.GotoRA = ra;
    m.GotoDec = dec;
    m.GotoEpoch = QStringLiteral("2000");
    // The driver takes the target to the equinox of date in place; the dialog keeps J2000.
    double gotoRa = ra, gotoDec = dec;
    if (hooks_.gotoBegins) hooks_.gotoBegins();
    accepted = t->cmdGoto(gotoRa, gotoDec, QStringLiteral("2000"));
  }
  if (accepted) {
    if (hooks_.gotoStarted) hooks_.gotoStarted();
    if (hooks_.prepareSync) hooks_.prepareSync(host_.state().planetarium.TargetName, ra, dec);
  } else {
    reply(codeOf(LinkMessageCode::MissionRequest), QStringLiteral("NG"));
  }
  return true;
}

std::optional<std::pair<double, double>> AppLinkEndpoint::syncTarget(const QString& text) const {
  const QStringList f = text.split(u',');
  double ra = 0, dec = 0;
  // Exactly a right ascension in seconds of time and a declination in arcseconds.
  if (f.size() != 2 || !plainNumber(f[0], ra) || !plainNumber(f[1], dec) || ra < 0 || ra >= 86400 ||
      std::fabs(dec) > 324000) {
    qCDebug(lcAppLink) << "sync request dropped:" << text.left(80);
    return std::nullopt;
  }
  return std::pair{ra, dec};
}

bool AppLinkEndpoint::sync(const QString& text) {
  auto target = syncTarget(text);
  if (!target) return false;
  MountDriver* t = host_.Telescope();
  if (!t) return true;
  // J2000, as the position answer (code 91) reads; the driver takes it to the date. The
  // cooperating program hears nothing of the result.
  t->cmdSync(target->first, target->second, QStringLiteral("2000"));
  return true;
}

bool AppLinkEndpoint::syncAnswered(const QString& text) {
  auto target = syncTarget(text);
  if (!target) return false;
  MountDriver* t = host_.Telescope();
  QString refusal;
  if (!t || !t->isConnected()) {
    refusal = QStringLiteral("the mount is not connected");
  } else if (!t->cmdSync(target->first, target->second, QStringLiteral("2000"))) {
    // The driver refuses without telling why; it refuses for these.
    refusal = t->isConnected() ? QStringLiteral("the mount refused the position (below the horizon, or moving)")
                               : QStringLiteral("the mount is not connected");
  }
  reply(codeOf(LinkMessageCode::SyncAnswer), refusal.isEmpty() ? QStringLiteral("OK") : QStringLiteral("NG,") + refusal);
  return true;
}

QString AppLinkEndpoint::mountState() const {
  const SharedState& s = host_.state();
  const bool mountPark = s.ParkAZ[0] >= 0 && s.ParkAlt[0] >= 0;
  const bool domePark = s.dome.DomeInUse && s.domeSettings.HomePosition >= 0;
  const MountDriver* t = host_.Telescope();
  const QString side = t && t->isConnected() ? t->sideOfPier() : QString();
  const HandRates rates = hooks_.handRates ? hooks_.handRates() : HandRates{};
  QString text = QStringLiteral("%1,%2,%3,%4")
                     .arg(s.mount.TelState)
                     .arg(cal_.LocalSiderealTime())
                     .arg(mountPark || domePark ? 1 : 0)
                     .arg(side.isEmpty() ? QStringLiteral("-") : side);
  for (int speed = 1; speed <= 3; ++speed) {
    const double r = rates.ofSpeed(speed);
    text += u',' + (r > 0 ? QString::number(r, 'g', 6) : QStringLiteral("-"));
  }
  return text;
}

void AppLinkEndpoint::reply(int16_t code, const QString& text) {
  if (hooks_.reply) hooks_.reply(code, text);
  else if (hooks_.send) hooks_.send(code, text);
}

}  // namespace orvan
