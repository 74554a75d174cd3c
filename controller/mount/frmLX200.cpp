#include "frmLX200.h"

#include "ACal2.h"
#include "Clock.h"
#include "EventLoop.h"
#include "IniFile.h"
#include "QtSerialLink.h"
#include "SerialTrace.h"
#include "Vb.h"

#include <cmath>
#include <optional>

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
    : frmLX200(FamilyLX200(), state, host, cal, iniPath, std::move(link), parent) {
  setModelText(QStringLiteral("LX200"));
  frmLX200::Selected();
}

frmLX200::frmLX200(const SerialFamily& family, SharedState& state, MountHost& host, ACal2& cal, const QString& iniPath,
                   std::unique_ptr<SerialLink> link, QObject* parent)
    : SerialMountDriver(family, state, host, cal, link ? std::move(link) : std::make_unique<QtSerialLink>(), iniPath,
                        parent) {}

void frmLX200::Selected() {
  // One count per arcsecond on both axes; another family bound in between may count otherwise.
  mount().AxisRev[0] = kArcsecPerTurn;
  mount().AxisRev[1] = kArcsecPerTurn;
}

bool frmLX200::cmdConnect(bool open) {
  if (open) return Connect();
  cmdStop();
  ClosePort();
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

namespace {
bool digitAt(const QString& r, int i) { return r[i] >= u'0' && r[i] <= u'9'; }
int twoAt(const QString& r, int i) { return (r[i].unicode() - u'0') * 10 + (r[i + 1].unicode() - u'0'); }
// A separator of a declination: '*', the degree sign 0xDF (U+FF9F once decoded), ':', '\''
// or whatever single non-digit the mount uses, but never the closing '#'.
bool separatorAt(const QString& r, int i) { return !digitAt(r, i) && r[i] != u'#'; }
}  // namespace

std::optional<double> frmLX200::ParseRa(const QString& r) const {
  const bool high = highPrecision();
  if (r.size() != (high ? 9 : 8) || !r.endsWith(u'#')) return std::nullopt;
  if (!digitAt(r, 0) || !digitAt(r, 1) || r[2] != u':' || !digitAt(r, 3) || !digitAt(r, 4)) return std::nullopt;
  const int h = twoAt(r, 0), m = twoAt(r, 3);
  if (h > 23 || m > 59) return std::nullopt;
  if (high) {
    if (r[5] != u':' || !digitAt(r, 6) || !digitAt(r, 7) || twoAt(r, 6) > 59) return std::nullopt;
    return h * 3600.0 + m * 60.0 + twoAt(r, 6);
  }
  if (r[5] != u'.' || !digitAt(r, 6)) return std::nullopt;
  return h * 3600.0 + m * 60.0 + (r[6].unicode() - u'0') * 6.0;
}

std::optional<double> frmLX200::ParseDec(const QString& r) const {
  const bool high = highPrecision();
  if (r.size() != (high ? 10 : 7) || !r.endsWith(u'#')) return std::nullopt;
  if ((r[0] != u'+' && r[0] != u'-') || !digitAt(r, 1) || !digitAt(r, 2) || !separatorAt(r, 3) || !digitAt(r, 4) ||
      !digitAt(r, 5))
    return std::nullopt;
  const int d = twoAt(r, 1), m = twoAt(r, 4);
  int s = 0;
  if (high) {
    if (!separatorAt(r, 6) || !digitAt(r, 7) || !digitAt(r, 8)) return std::nullopt;
    s = twoAt(r, 7);
  }
  const double v = d * 3600.0 + m * 60.0 + s;
  if (m > 59 || s > 59 || v > 90 * 3600.0) return std::nullopt;
  return r[0] == u'-' ? -v : v;
}

bool frmLX200::SendCoordinates(double ra, double& dec) {
  // "0" is the mount's "invalid": going on would slew to, or sync on, the target before.
  if (SendTelescope(QStringLiteral(":Sr") + RaText(ra) + u'#') == u"0") return false;
  return SendTelescope(QStringLiteral(":Sd") + DecText(dec) + u'#') != u"0";
}

// ---- operations ------------------------------------------------------------------------------

bool frmLX200::SendGoto(double ra, double& dec, const AxisMove&, bool) {
  if (!SendCoordinates(ra, dec)) return false;
  // "0": the mount slews. "1" (below the horizon) or "2" (above the upper limit), a text and
  // "#": it refuses. Nothing at all: communication was given up during the goto.
  const QString reply = SendTelescope(QStringLiteral(":MS#"));
  if (reply.isEmpty()) return false;
  if (reply[0] == u'1' || reply[0] == u'2') {
    const qsizetype end = reply.indexOf(u'#');
    SetRefusal(reply.mid(1, end < 0 ? -1 : end - 1));
    qCDebug(lcSerial).noquote() << family().name << "refused the goto:" << lastRefusal();
    return false;
  }
  return true;
}

bool frmLX200::SendSync(double ra, double& dec, const AxisMove&) {
  // The mount is told exactly the position it was given: it reports that position afterwards
  // and every later goto is measured from it.
  if (!SendCoordinates(ra, dec)) return false;
  SendTelescope(QStringLiteral(":CM#"));
  mount().TelState = 1;
  return true;
}

bool frmLX200::SendZsync() {
  double ra = 0, dec = 0;
  cal().HorizontalToEquatorial(0, 90, ra, dec);
  return cmdSync(ra, dec, QStringLiteral("EOD"));
}

bool frmLX200::ReadPosition() {
  if (modelText() != u"LX200" && modelText() != u"LX200GPS") return false;
  const QString r = SendTelescope(QStringLiteral(":GR#"));
  const QString d = SendTelescope(QStringLiteral(":GD#"));
  return TakePosition(r, ParseRa(r), d, ParseDec(d));
}

bool frmLX200::TakePosition(const QString& r, std::optional<double> ra, const QString& d, std::optional<double> dec) {
  // A reply that does not parse is no position: the last good one stays, rather than a swing
  // to 0 h or 0 degrees that would turn the dome and could end a goto early. No reply at all
  // (communication given up) is no position either.
  MountState& m = mount();
  if (ra) m.TelRA = *ra;
  else if (!r.isEmpty()) qCDebug(lcSerial).noquote() << modelText() << "reply to :GR# does not parse, RA kept:" << r;
  if (dec) m.TelDec = *dec;
  else if (!d.isEmpty()) qCDebug(lcSerial).noquote() << modelText() << "reply to :GD# does not parse, Dec kept:" << d;
  if (!ra || !dec) return false;
  NoteFreshReading();
  return true;
}

void frmLX200::cmdStatus() {
  ReadPosition();
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
  AbandonGoto();
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
  if (d.move) {
    // A hand move stops a goto under way: that goto will not end on its target.
    AbandonGoto();
    SendTelescope(QString::fromLatin1(d.move));
  }
  if ((speed >= 1 && speed <= 3) || d.move) m.TelState = 2;
}

}  // namespace orvan
