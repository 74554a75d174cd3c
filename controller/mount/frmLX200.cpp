#include "frmLX200.h"

#include "ACal2.h"
#include "Clock.h"
#include "IniFile.h"
#include "QtSerialLink.h"
#include "Shared.h"
#include "Vb.h"

#include <cmath>

namespace orvan {

namespace {
constexpr int32_t kArcsecPerTurn = 1296000;

// Degrees and "MM:SS" of a whole number of arcseconds, the way the LX200 takes a site.
QString SiteAngleText(long long arcsec, const QString& degreeFormat) {
  const long long a = std::llabs(arcsec);
  return vb::Format(static_cast<double>(a / 3600), degreeFormat) + u'*' + vb::TimeText(a).right(5);
}

struct Direction {
  const char* move;
  const char* quit;
};
// The mount's east and west are the other way round from the hand controller's.
Direction DirectionCommands(const QString& d) {
  if (d == u"N") return {":Mn#", ":Qn#"};
  if (d == u"S") return {":Ms#", ":Qs#"};
  if (d == u"E") return {":Mw#", ":Qw#"};
  if (d == u"W") return {":Me#", ":Qe#"};
  return {nullptr, nullptr};
}
}  // namespace

frmLX200::frmLX200(SharedState& state, MountHost& host, ACal2& cal, const QString& iniPath,
                   std::unique_ptr<SerialLink> link, QObject* parent)
    : SerialMountDriver(FamilyLX200(), state, host, cal, link ? std::move(link) : std::make_unique<QtSerialLink>(),
                        iniPath, parent) {
  setModelText(QStringLiteral("LX200"));
  // One count per arcsecond on both axes.
  mount().AxisRev[0] = kArcsecPerTurn;
  mount().AxisRev[1] = kArcsecPerTurn;
}

bool frmLX200::cmdConnect(bool open) {
  if (open) {
    if (link().isOpen()) return true;
    if (!OpenPort()) return false;
    FinishConnect();
    return true;
  }
  cmdStop();
  ClosePort(0, 0);
  return true;
}

// ---- start-up --------------------------------------------------------------------------------

QString frmLX200::LongitudeCommand() const {
  const QString lon = ReadIni(iniPath(), QStringLiteral("LOCATION"), QStringLiteral("LONGITUDE"));
  long long L = static_cast<long long>(vb::Val(vb::Mid(lon, 2, 3)) * 3600 + vb::Val(vb::Mid(lon, 6, 2)) * 60 +
                                       vb::Val(vb::Mid(lon, 9, 2)));
  // The mount counts longitude westward; east 0 is west 0, not 360.
  if (vb::Mid(lon, 1, 1) == u"E") L = (kArcsecPerTurn - L) % kArcsecPerTurn;
  return QStringLiteral(":Sg") + SiteAngleText(L, QStringLiteral("000")) + u'#';
}

QString frmLX200::LatitudeCommand() const {
  const QString lat = ReadIni(iniPath(), QStringLiteral("LOCATION"), QStringLiteral("LATITUDE"));
  const long long L = static_cast<long long>(vb::Val(vb::Mid(lat, 2, 2)) * 3600 + vb::Val(vb::Mid(lat, 5, 2)) * 60 +
                                             vb::Val(vb::Mid(lat, 8, 2)));
  return QStringLiteral(":St") + vb::Mid(lat, 1, 1) + SiteAngleText(L, QStringLiteral("00")) + u'#';
}

QString frmLX200::TimeZoneCommand() const {
  const QString hemisphere = vb::Mid(ReadIni(iniPath(), QStringLiteral("LOCATION"), QStringLiteral("LONGITUDE")), 1, 1);
  // The mount wants the hours to add to local time for UT: the sign comes from the
  // hemisphere, the figure is the size of the zone (a west zone stored as -5.0 is "+05.0").
  const double tz = std::fabs(vb::Val(ReadIni(iniPath(), QStringLiteral("LOCATION"), QStringLiteral("TIMEZONE"))));
  if (hemisphere == u"E") return QStringLiteral(":SG-") + vb::Format(tz, QStringLiteral("00.0")) + u'#';
  if (hemisphere == u"W") return QStringLiteral(":SG+") + vb::Format(tz, QStringLiteral("00.0")) + u'#';
  return QString();
}

void frmLX200::cmdStartUP() {
  mount().TelState = 1;
  QStringList cmds{LongitudeCommand(), LatitudeCommand()};
  const QString tz = TimeZoneCommand();
  if (!tz.isEmpty()) cmds << tz;
  cmds << QStringLiteral(":SL") + vb::ClockText(Clock::current().secondsSinceMidnight()) + u'#';
  for (const QString& c : cmds) {
    SendTelescope(c);
    Wait(100);
  }
}

// ---- coordinates -----------------------------------------------------------------------------

QString frmLX200::RaText(double ra) const {
  long long s = static_cast<long long>(vb::RoundEven(ra)) % 86400;
  if (s < 0) s += 86400;
  const QString t = vb::TimeText(s);
  if (highPrecision()) return t;
  return t.left(5) + u'.' + QString::number((s % 60) / 6);
}

QString frmLX200::DecText(double& dec) const {
  const bool negative = dec < 0;
  if (!highPrecision()) {
    // Only whole minutes reach the mount: past the half minute the next one is nearer.
    const long long whole = static_cast<long long>(vb::RoundEven(std::fabs(dec)));
    if (whole % 60 > 30) dec += negative ? -30 : 30;
  }
  const long long a = static_cast<long long>(vb::RoundEven(std::fabs(dec)));
  QString t = QString(negative ? u'-' : u'+') + vb::Format(static_cast<double>(a / 3600), QStringLiteral("00")) + u'*' +
              vb::Format(static_cast<double>((a % 3600) / 60), QStringLiteral("00"));
  if (highPrecision()) t += u':' + vb::Format(static_cast<double>(a % 60), QStringLiteral("00"));
  return t;
}

double frmLX200::ParseRa(const QString& r) const {
  const double hm = vb::Val(vb::Mid(r, 1, 2)) * 3600 + vb::Val(vb::Mid(r, 4, 2)) * 60;
  return highPrecision() ? hm + vb::Val(vb::Mid(r, 7, 2)) : hm + vb::Val(vb::Mid(r, 7, 1)) * 6;
}

double frmLX200::ParseDec(const QString& r) const {
  double d = vb::Val(vb::Mid(r, 2, 2)) * 3600 + vb::Val(vb::Mid(r, 5, 2)) * 60;
  if (highPrecision()) d += vb::Val(vb::Mid(r, 8, 2));
  return vb::Mid(r, 1, 1) == u"-" ? -d : d;
}

void frmLX200::sendCoordinates(double ra, double& dec) {
  SendTelescope(QStringLiteral(":Sr") + RaText(ra) + u'#');
  SendTelescope(QStringLiteral(":Sd") + DecText(dec) + u'#');
}

// ---- operations ------------------------------------------------------------------------------

bool frmLX200::cmdGoto(double& ra, double& dec, const QString& epoch) {
  int32_t move1 = 0;
  if (!PrepareTarget(ra, dec, epoch, move1)) return false;
  sendCoordinates(ra, dec);
  // A refusal ("1" and a text) is not reported: the main loop sees the position stay.
  SendTelescope(QStringLiteral(":MS#"));
  StartSlew(ra, dec);
  return true;
}

bool frmLX200::cmdSync(double& ra, double& dec, const QString& epoch) {
  int32_t move1 = 0;
  if (!PrepareTarget(ra, dec, epoch, move1)) return false;
  if (move1 > 0) {
    // The hour axis would come from the wrong side: sync 200 s ahead and approach.
    ra = std::fmod(ra + 200, 86400.0);
    driverState().ApproachDelay = true;
  }
  sendCoordinates(ra, dec);
  SendTelescope(QStringLiteral(":CM#"));
  mount().TelState = 1;
  return true;
}

bool frmLX200::SendZsync() {
  double ra = 0, dec = 0;
  cal().HorizontalToEquatorial(0, 90, ra, dec);
  return cmdSync(ra, dec, QStringLiteral("EOD"));
}

void frmLX200::cmdStatus() {
  MountState& m = mount();
  if (modelText() == u"LX200" || modelText() == u"LX200GPS") {
    const QString r = SendTelescope(QStringLiteral(":GR#"));
    const QString d = SendTelescope(QStringLiteral(":GD#"));
    // No reply at all is no position, not a position at 0h +0°.
    if (!r.isEmpty()) m.TelRA = ParseRa(r);
    if (!d.isEmpty()) m.TelDec = ParseDec(d);
  }
  PostProcessStatus();
}

void frmLX200::cmdStop() {
  SendTelescope(QStringLiteral(":Q#"));
  MountState& m = mount();
  m.StopRequest = kFalse;
  if (m.TelState < 2)
    cmdStandBy(true);
  else
    m.TelState = 1;
}

void frmLX200::cmdMove(const QString& direction, int16_t speed) {
  const Direction d = DirectionCommands(direction);
  MountState& m = mount();
  if (speed == 9) {
    if (d.quit) SendTelescope(QString::fromLatin1(d.quit));
    SendTelescope(QStringLiteral(":Q#"));
    host().TelSlewing(0);
    m.TelState = 1;
    return;
  }
  cmdTrucking();
  if (speed == 1) SendTelescope(QStringLiteral(":RC#"));
  else if (speed == 2) SendTelescope(QStringLiteral(":RM#"));
  else if (speed == 3) SendTelescope(QStringLiteral(":RS#"));
  if (d.move) SendTelescope(QString::fromLatin1(d.move));
  if ((speed >= 1 && speed <= 3) || d.move) m.TelState = 2;
}

}  // namespace orvan
