#include "frmRST400.h"

#include "ACal2.h"
#include "Clock.h"
#include "EventLoop.h"
#include "IniFile.h"
#include "Rst400HomingView.h"
#include "SerialTrace.h"
#include "Vb.h"

#include <QDate>
#include <cmath>

namespace orvan {

namespace {
constexpr int32_t kArcsecPerTurn = 1296000;

bool digitAt(const QString& r, int i) { return r[i] >= u'0' && r[i] <= u'9'; }
int twoAt(const QString& r, int i) { return (r[i].unicode() - u'0') * 10 + (r[i + 1].unicode() - u'0'); }
// "ss.s" at i: whole seconds below 60 and their tenth.
std::optional<double> secondsAt(const QString& r, int i) {
  if (!digitAt(r, i) || !digitAt(r, i + 1) || r[i + 2] != u'.' || !digitAt(r, i + 3)) return std::nullopt;
  const int s = twoAt(r, i);
  if (s > 59) return std::nullopt;
  return s + (r[i + 3].unicode() - u'0') / 10.0;
}
QString twoDigits(long long v) { return vb::Format(static_cast<double>(v), QStringLiteral("00")); }
}  // namespace

frmRST400::frmRST400(SharedState& state, MountHost& host, ACal2& cal, const QString& iniPath,
                     std::unique_ptr<SerialLink> link, QObject* parent)
    : frmLX200(FamilyRST400(), state, host, cal, iniPath, std::move(link), parent) {
  setModelText(QStringLiteral("RST400"));
  frmRST400::Selected();
  mount().AxisDisp[0] = 0;
  mount().AxisDisp[1] = 0;
}

void frmRST400::Selected() {
  mount().AxisRev[0] = kArcsecPerTurn;
  mount().AxisRev[1] = kArcsecPerTurn;
}

void frmRST400::Deselected() { ShowHomingWindow(false); }

void frmRST400::ShowHomingWindow(bool visible) {
  if (view_) view_->SetShown(visible);
}

void frmRST400::UnloadHomingWindow() {
  if (view_) view_->Unload();
}

void frmRST400::MarkSent(int step) {
  if (view_) view_->MarkSent(step);
}

bool frmRST400::LocalData(int k) const {
  return vb::Val(ReadIni(iniPath(), QStringLiteral("HUBO"), QStringLiteral("LocalData") + QString::number(k))) == 1;
}

// ---- connection and start-up -----------------------------------------------------------------

bool frmRST400::cmdConnect(bool open) {
  if (open) return Connect();
  // The HUBO-i keeps tracking when the controller lets go of it.
  ClosePort();
  return true;
}

void frmRST400::AfterStartUp() {
  if (ReadPosition()) UpdateAxisPos();
  MountState& m = mount();
  m.AxisOfs[0] = LoggedCount(ReadIni(iniPath(), QStringLiteral("HUBO"), QStringLiteral("EncOfs1")));
  m.AxisOfs[1] = LoggedCount(ReadIni(iniPath(), QStringLiteral("HUBO"), QStringLiteral("EncOfs2")));
}

QString frmRST400::SiteLongitudeCommand() const {
  // Only whole minutes: the controller takes the longitude as degrees and minutes, and the
  // ".20" after them is part of the form it expects.
  const QString lon = ReadIni(iniPath(), QStringLiteral("LOCATION"), QStringLiteral("LONGITUDE"));
  long long L = static_cast<long long>(vb::Val(vb::Mid(lon, 2, 3)) * 3600 + vb::Val(vb::Mid(lon, 6, 2)) * 60 +
                                       vb::Val(vb::Mid(lon, 9, 2)));
  if (vb::Mid(lon, 1, 1) == u"E") L = (kArcsecPerTurn - L) % kArcsecPerTurn;
  L = std::llabs(L);
  return QStringLiteral(":Sg") + vb::Format(static_cast<double>(L / 3600), QStringLiteral("000")) + u'*' +
         twoDigits((L % 3600) / 60) + QStringLiteral(".20#");
}

QString frmRST400::SiteLatitudeCommand() const {
  const QString lat = ReadIni(iniPath(), QStringLiteral("LOCATION"), QStringLiteral("LATITUDE"));
  const long long L = std::llabs(static_cast<long long>(
      vb::Val(vb::Mid(lat, 2, 2)) * 3600 + vb::Val(vb::Mid(lat, 5, 2)) * 60 + vb::Val(vb::Mid(lat, 8, 2))));
  return QStringLiteral(":St") + vb::Mid(lat, 1, 1) + twoDigits(L / 3600) + u'*' + twoDigits((L % 3600) / 60) + u':' +
         twoDigits(L % 60) + QStringLiteral(".0#");
}

void frmRST400::cmdStartUP() {
  SendTelescope(QStringLiteral(":SPH#"));
  SendTelescope(QStringLiteral(":SPE#"));
  mount().TelState = 1;
  ShowHomingWindow(true);
  if (LocalData(0)) {
    const Clock& clock = Clock::current();
    SendTelescope(QStringLiteral(":SL") + vb::ClockText(clock.secondsSinceMidnight()) + u'#');
    Wait(100);
    SendTelescope(QStringLiteral(":SC") + clock.localDate().toString(QStringLiteral("MM:dd:yy")) + u'#');
    MarkSent(0);
    Wait(100);
  }
  if (LocalData(1)) {
    SendTelescope(SiteLongitudeCommand());
    Wait(100);
    SendTelescope(SiteLatitudeCommand());
    Wait(100);
    const QString tz = TimeZoneCommand();
    if (!tz.isEmpty()) SendTelescope(tz);
    MarkSent(1);
    Wait(100);
    if (LocalData(2)) {
      const long long lst = static_cast<long long>(cal().LocalSiderealTime());
      SendTelescope(QStringLiteral(":SS") + vb::TimeText(((lst % 86400) + 86400) % 86400) + u'#');
      MarkSent(2);
    }
  }
}

// ---- motion ----------------------------------------------------------------------------------

int16_t frmRST400::cmdStandBy(bool) {
  SendTelescope(QStringLiteral(":CtL#"));
  mount().TelState = 0;
  return 0;
}

void frmRST400::cmdStop() {
  SendTelescope(QStringLiteral(":Q#"));
  MountState& m = mount();
  m.StopRequest = kFalse;
  if (m.TelState < 2)
    cmdStandBy(true);
  else
    m.TelState = 0;
  AbandonGoto();
}

void frmRST400::cmdTrucking() {
  if (mount().TelState == 0) cmdStandBy(false);
  SendTelescope(QStringLiteral(":CtA#"));
  cmdMove(QString(), 9);
  mount().TelState = 1;
}

bool frmRST400::PrepareMotion(Purpose) {
  mount().TelState = 1;
  Wait(500);
  return true;
}

// ---- goto and sync ---------------------------------------------------------------------------

QString frmRST400::TargetRaCommand(double ra) {
  long long s = static_cast<long long>(vb::RoundEven(ra)) % 86400;
  if (s < 0) s += 86400;
  return QStringLiteral(":Sr") + vb::TimeText(s) + QStringLiteral(".0#");
}

QString frmRST400::TargetDecCommand(double dec) {
  const long long a = static_cast<long long>(vb::RoundEven(std::fabs(dec)));
  return QStringLiteral(":Sd") + (dec < 0 ? u'-' : u'+') + twoDigits(a / 3600) + u'*' + twoDigits((a % 3600) / 60) +
         u':' + twoDigits(a % 60) + QStringLiteral(".0#");
}

std::optional<double> frmRST400::ParseRa(const QString& r) {
  if (r.size() != 14 || r[13] != u'#') return std::nullopt;
  if (!digitAt(r, 3) || !digitAt(r, 4) || r[5] != u':' || !digitAt(r, 6) || !digitAt(r, 7) || r[8] != u':')
    return std::nullopt;
  const int h = twoAt(r, 3), m = twoAt(r, 6);
  const std::optional<double> s = secondsAt(r, 9);
  if (h > 23 || m > 59 || !s) return std::nullopt;
  return h * 3600.0 + m * 60.0 + *s;
}

std::optional<double> frmRST400::ParseDec(const QString& r) {
  if (r.size() != 15 || r[14] != u'#') return std::nullopt;
  if ((r[3] != u'+' && r[3] != u'-') || !digitAt(r, 4) || !digitAt(r, 5) || digitAt(r, 6) || !digitAt(r, 7) ||
      !digitAt(r, 8) || digitAt(r, 9))
    return std::nullopt;
  const int d = twoAt(r, 4), m = twoAt(r, 7);
  const std::optional<double> s = secondsAt(r, 10);
  if (m > 59 || !s) return std::nullopt;
  const double v = d * 3600.0 + m * 60.0 + *s;
  if (v > 90 * 3600.0) return std::nullopt;
  return r[3] == u'-' ? -v : v;
}

bool frmRST400::SendCoordinates(double ra, double& dec) {
  // Sent before ":CM#" too: the controller syncs on the target it holds, which would otherwise
  // be the last goto's rather than the star the observer centred.
  return SendTarget(ra, dec);
}

bool frmRST400::SendTarget(double ra, double dec) {
  SendTelescope(TargetRaCommand(ra));
  Wait(100);
  SendTelescope(TargetDecCommand(dec));
  // The controller says nothing to a set command; its read-back is the only sign that it took
  // the target. A target read back in its own form that is another one means the controller
  // still holds the one before, and slewing or syncing on it would be wrong.
  const QString r = SendTelescope(QStringLiteral(":Gr#"));
  const QString d = SendTelescope(QStringLiteral(":Gd#"));
  if (CommunicationGivenUp()) return false;
  const std::optional<double> heldRa = ParseRa(r), heldDec = ParseDec(d);
  double dRa = heldRa ? std::fabs(*heldRa - std::fmod(vb::RoundEven(ra), 86400.0)) : 0;
  if (dRa > 43200) dRa = 86400 - dRa;
  const double dDec = heldDec ? std::fabs(*heldDec - vb::RoundEven(dec)) : 0;
  if (dRa > 1 || dDec > 1) {
    SetRefusal(QStringLiteral("Target Not Set"));
    qCDebug(lcSerial).noquote() << "RST-400 holds another target:" << r << d;
    return false;
  }
  return true;
}

bool frmRST400::SendGoto(double ra, double& dec, const AxisMove&, bool) {
  // A target the controller did not take is checked before tracking goes off: a refused goto
  // leaves the mount tracking as it was, not drifting unattended.
  if (!SendTarget(ra, dec)) return false;
  SendTelescope(QStringLiteral(":CtL#"));
  SendTelescope(QStringLiteral(":MS#"));
  return true;
}

void frmRST400::Arrived() { SendTelescope(QStringLiteral(":CtA#")); }

// ---- position --------------------------------------------------------------------------------

bool frmRST400::ReadPosition() {
  if (lblHUBOType() != u"RST400") return false;
  const QString r = SendTelescope(QStringLiteral(":GR#"));
  const QString d = SendTelescope(QStringLiteral(":GD#"));
  // Only the extended forms are read: another length, or fields that are not numbers in
  // range, leave their axis as it was.
  return TakePosition(r, ParseRa(r), d, ParseDec(d));
}

}  // namespace orvan
