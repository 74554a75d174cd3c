#include "frmTemma2M.h"

#include "ACal2.h"
#include "Clock.h"
#include "IniFile.h"
#include "QtSerialLink.h"
#include "SerialTrace.h"
#include "Shared.h"
#include "Vb.h"

#include <QDate>
#include <cmath>

namespace orvan {

namespace {
constexpr int32_t kArcsecPerTurn = 1296000;

bool digits(const QString& r, int from, int count) {
  for (int i = from; i < from + count; ++i)
    if (r[i] < u'0' || r[i] > u'9') return false;
  return true;
}
int number(const QString& r, int from, int count) { return r.mid(from, count).toInt(); }
QString two(long long v) { return vb::Format(static_cast<double>(v), QStringLiteral("00")); }

// A site field "sDD:MM:SS" (latitude) or "sDDD:MM:SS" (longitude) as the controller takes it:
// degrees, minutes and the tenths of a minute.
QString SiteText(const QString& field, int degreeDigits) {
  const int m = 1 + degreeDigits + 1;
  const long long deg = static_cast<long long>(std::fabs(vb::Val(vb::Mid(field, 2, degreeDigits))));
  const long long min = static_cast<long long>(std::fabs(vb::Val(vb::Mid(field, m + 1, 2))));
  const long long sec = static_cast<long long>(std::fabs(vb::Val(vb::Mid(field, m + 4, 2))));
  return vb::Format(static_cast<double>(deg), degreeDigits == 3 ? QStringLiteral("000") : QStringLiteral("00")) +
         two(min) + QString::number(sec / 6);
}
}  // namespace

frmTemma2M::frmTemma2M(SharedState& state, MountHost& host, ACal2& cal, const QString& iniPath,
                       std::unique_ptr<SerialLink> link, QObject* parent)
    : SerialMountDriver(FamilyTemma(), state, host, cal, link ? std::move(link) : std::make_unique<QtSerialLink>(),
                        iniPath, parent) {
  setModelText(QStringLiteral("Temma2M"));
  frmTemma2M::Selected();
}

void frmTemma2M::Selected() {
  mount().AxisRev[0] = kArcsecPerTurn;
  mount().AxisRev[1] = kArcsecPerTurn;
}

// ---- texts -----------------------------------------------------------------------------------

QString frmTemma2M::PositionText(double ra, double dec) {
  long long s = static_cast<long long>(vb::RoundEven(ra)) % 86400;
  if (s < 0) s += 86400;
  const long long a = static_cast<long long>(vb::RoundEven(std::fabs(dec)));
  // The controller takes the tenths of a declination minute as an even digit.
  const long long tenths = ((a % 60) / 6) & ~1LL;
  const QChar sign = dec > 0 ? u'+' : dec < 0 ? u'-' : u' ';
  return two(s / 3600) + two((s % 3600) / 60) + two((s % 60) * 10 / 6) + sign + two(a / 3600) + two((a % 3600) / 60) +
         QString::number(tenths);
}

std::optional<frmTemma2M::Position> frmTemma2M::ParsePosition(const QString& r) {
  if (r.size() != 14 || r[0] != u'E' || !digits(r, 1, 6) || !digits(r, 8, 5)) return std::nullopt;
  const QChar sign = r[7], side = r[13];
  if (sign != u'+' && sign != u'-' && sign != u' ') return std::nullopt;
  if (side != u'E' && side != u'W' && side != u'F') return std::nullopt;
  const int h = number(r, 1, 2), m = number(r, 3, 2), cc = number(r, 5, 2);
  const int d = number(r, 8, 2), dm = number(r, 10, 2), t = number(r, 12, 1);
  if (h > 23 || m > 59 || dm > 59) return std::nullopt;
  const double dec = d * 3600.0 + dm * 60.0 + t * 6.0;
  if (dec > 324000) return std::nullopt;
  return Position{h * 3600.0 + m * 60.0 + cc * 0.6, sign == u'-' ? -dec : dec, side};
}

QString frmTemma2M::LatitudeCommand() const {
  const QString lat = ReadIni(iniPath(), QStringLiteral("LOCATION"), QStringLiteral("LATITUDE"));
  // A southern site keeps its sign: "+" would put the mount in the other hemisphere.
  return QStringLiteral("I") + (vb::Mid(lat, 1, 1) == u"-" ? u'-' : u'+') + SiteText(lat, 2);
}

QString frmTemma2M::LongitudeCommand() const {
  const QString lon = ReadIni(iniPath(), QStringLiteral("LOCATION"), QStringLiteral("LONGITUDE"));
  return QStringLiteral("K") + (vb::Mid(lon, 1, 1) == u"W" ? u'-' : u'+') + SiteText(lon, 3);
}

// ---- connection and start-up -----------------------------------------------------------------

bool frmTemma2M::cmdConnect(bool open) {
  if (open) return Connect();
  Wait(500);
  cmdStop();
  cmdStatus();
  ClosePort();
  return true;
}

int32_t frmTemma2M::EncoderLogValue(int axis) const {
  const int32_t rev = mount().AxisRev[axis];
  return rev != 0 ? mount().AxisDisp[axis] % rev : 0;
}

void frmTemma2M::RestoreFromLog() {
  MountState& m = mount();
  for (int k = 0; k < 2; ++k)
    m.AxisDisp[k] = LoggedCount(ReadIni(iniPath(), QStringLiteral("EncLog"), QStringLiteral("EncOfs%1").arg(k + 1)));
  cal().AxisCountsToEquatorial(m.AxisDisp[0], m.AxisDisp[1]);
  double ra = m.TelRA, dec = m.TelDec;
  cmdSync(ra, dec, QStringLiteral("EOD"));
}

void frmTemma2M::cmdStartUP() {
  mount().TelState = 1;
  positionRead_ = false;
  const QString e = SendTelescope(QStringLiteral("E"));
  // A position before the first minute of RA is the controller's "none" (it was switched off):
  // the logged axes become its position. A reply that is not a position at all is no evidence
  // of that and syncs nothing.
  if (ParsePosition(e)) {
    const QString head = e.left(7);
    if (head > u"E235995" || head < u"E000010") RestoreFromLog();
  } else if (!e.isEmpty()) {
    qCDebug(lcSerial).noquote() << "Temma start-up position not read, nothing restored:" << e;
  }
  if (!isTemma2M()) {
    const double volt = vb::Val(ReadIni(iniPath(), QStringLiteral("Temma"), QStringLiteral("Volt")));
    if (volt == 12) SendTelescope(QStringLiteral("v1"));
    else if (volt == 24) SendTelescope(QStringLiteral("v2"));
    SendIdo();
    SendStime();
  } else {
    const Clock& clock = Clock::current();
    SendTelescope(QStringLiteral("N") + clock.localDate().toString(QStringLiteral("yyMMdd")));
    // Hours, minutes and seconds: the seconds are part of the time the mount keeps.
    SendTelescope(QStringLiteral("J") + vb::ClockText(clock.secondsSinceMidnight()).remove(u':'));
    SendTelescope(LongitudeCommand());
    SendIdo();
    SendStime();
    cmdStandBy(true);
  }
  standBy_ = false;
}

void frmTemma2M::SendIdo() { SendTelescope(LatitudeCommand()); }

void frmTemma2M::SendStime() {
  const long long lst = ((static_cast<long long>(cal().LocalSiderealTime()) % 86400) + 86400) % 86400;
  SendTelescope(QStringLiteral("T") + vb::TimeText(lst).remove(u':'));
}

int16_t frmTemma2M::cmdStandBy(bool on) {
  MountState& m = mount();
  if (!isTemma2M()) {
    m.TelState = 1;
    return 0;
  }
  if (on) {
    m.TelState = 0;
    if (!standBy_ && SendTelescope(QStringLiteral("STN-COD")) == u"stn-off") SendTelescope(QStringLiteral("STN-ON"));
    standBy_ = true;
  } else {
    if (standBy_ && SendTelescope(QStringLiteral("STN-COD")) == u"stn-on") SendTelescope(QStringLiteral("STN-OFF"));
    m.TelState = 1;
    standBy_ = false;
  }
  return 0;
}

// ---- motion ----------------------------------------------------------------------------------

void frmTemma2M::cmdMove(const QString& direction, int16_t speed) {
  MountState& m = mount();
  if (speed == 9) {
    SendTelescope(QStringLiteral("M@"));
    SendTelescope(QStringLiteral("PS"));
    Wait(500);
    SendTelescope(QStringLiteral("PS"));
    host().TelSlewing(0);
    m.TelState = 1;
    return;
  }
  if (speed < 1 || speed > 3) return;
  const bool fast = speed == 3;
  QChar letter;
  if (direction == u"N") letter = fast ? u'Q' : u'P';
  else if (direction == u"S") letter = fast ? u'I' : u'H';
  else if (direction == u"E") letter = fast ? u'C' : u'B';
  else if (direction == u"W") letter = fast ? u'E' : u'D';
  cmdTrucking();
  // Without a direction there is no move to start.
  if (letter.isNull()) return;
  // A hand move stops a goto under way: that goto will not end on its target.
  AbandonGoto();
  SendTelescope(QStringLiteral("M") + letter);
  m.TelState = 2;
}

void frmTemma2M::cmdStop() {
  MountState& m = mount();
  m.StopRequest = kFalse;
  if (m.TelState > 1) {
    cmdMove(QString(), 9);
    m.TelState = 1;
  } else {
    cmdStandBy(true);
  }
  AbandonGoto();
}

bool frmTemma2M::PrepareMotion(Purpose p) {
  if (p == Purpose::Sync) return SendTelescope(QStringLiteral("s")) == u"s0";
  return SerialMountDriver::PrepareMotion(p);
}

bool frmTemma2M::ApproachAfter(const AxisMove& move) const {
  return !isTemma2M() && SerialMountDriver::ApproachAfter(move);
}

bool frmTemma2M::SendGoto(double ra, double& dec, const AxisMove&, bool approach) {
  // The older models approach from one side: a target that needs the hour axis to run back is
  // first overshot by the overrun, then approached again once the controller reports the end.
  const double sentRa = approach && ds_.OverRun > 0 ? ra + ds_.OverRun : ra;
  SendStime();
  SendTelescope(QStringLiteral("P") + PositionText(sentRa, dec));
  prevRa_ = -1;
  return true;
}

bool frmTemma2M::SendSync(double ra, double& dec, const AxisMove&) {
  int32_t t1 = 0, t2 = 0, m1 = 0, m2 = 0;
  const QString side = cal().TargetToAxisCounts(ra, dec, t1, t2, m1, m2) ? QStringLiteral("E") : QStringLiteral("W");
  const QString text = PositionText(ra, dec);
  cmdStatus();
  if (!tubeSide_.isEmpty() && tubeSide_ != side) SendTelescope(QStringLiteral("PT"));
  SendIdo();
  SendStime();
  SendTelescope(QStringLiteral("D") + text);
  return true;
}

bool frmTemma2M::SendZsync() {
  cmdStatus();
  if (tubeSide_ == u"W") SendTelescope(QStringLiteral("PT"));
  SendIdo();
  SendStime();
  SendTelescope(QStringLiteral("Z"));
  return CanCommand();
}

// ---- status ----------------------------------------------------------------------------------

void frmTemma2M::cmdStatus() {
  // The waits of a goto's end dispatch events, the main loop among them.
  if (inStatus_) return;
  const QString e = SendTelescope(QStringLiteral("E"));
  const std::optional<Position> p = ParsePosition(e);
  // Anything but a whole position leaves the status as it was, rather than 0 h and 0 degrees.
  if (!p) {
    if (!e.isEmpty()) qCDebug(lcSerial).noquote() << "Temma position not read, kept:" << e;
    return;
  }
  inStatus_ = true;
  MountState& m = mount();
  m.TelRA = p->ra;
  m.TelDec = p->dec;
  pierSide_ = QString(p->side);
  if (p->side != u'F') tubeSide_ = pierSide_;
  positionRead_ = true;
  NoteFreshReading();
  host().SetPierSide(QStringLiteral("T") + pierSide_);
  m.TelStatus[TelItem::RaText] = QString::number(m.TelRA, 'g', 15);
  m.TelStatus[TelItem::DecText] = QString::number(m.TelDec, 'g', 15);
  UpdateAxisPos();
  for (int i = 0; i < 2; ++i) {
    m.AxisDisp[i] = m.AxisPos[i];
    if (m.AxisDisp[i] > m.AxisRev[i] / 2.0) m.AxisDisp[i] -= m.AxisRev[i];
  }
  const double altDeg = WriteHorizontalStatus();
  // "s1" is the slewing flag: it marks a goto of this driver as started, but by itself never
  // makes one (the controller raises it for a side change after "PT" too).
  const QString s = SendTelescope(QStringLiteral("s"));
  if (s == u"s1") {
    m.TelStatus[TelItem::Positioning] = QStringLiteral("2");
    if (ds_.GotoActive) NoteMoving();
  }
  // A goto ends on "F", or on "s0" once "s1" was seen (the one "F" may be lost on the line),
  // or when the position has settled on the target.
  const bool steady = prevRa_ >= 0 && std::fabs(prevRa_ - m.TelRA) < 1 && std::fabs(prevDec_ - m.TelDec) < 10;
  prevRa_ = m.TelRA;
  prevDec_ = m.TelDec;
  bool goOn = pierSide_ != u"F";
  if (ds_.GotoActive && m.TelState == 2 && m.SlewEndPhase == 0 &&
      (pierSide_ == u"F" || (s == u"s0" && (ds_.SeenMoving || (steady && MotionMayEnd(AtGotoTarget()))))))
    goOn = FinishGoto();
  if (goOn) WriteHorizonFlag(altDeg);
  inStatus_ = false;
}

bool frmTemma2M::FinishGoto() {
  MountState& m = mount();
  m.TelState = 1;
  // The overshoot is not the end of the goto: the final approach runs first, also for a goto
  // that is to stop when it ends.
  if (m.StopRequest && !(ds_.ApproachDelay && ds_.OverRun > 0)) {
    EndGoto();
    m.SlewEndPhase = 2;
    return false;
  }
  if (ds_.ApproachDelay) {
    ds_.ApproachDelay = false;
    if (ds_.OverRun > 0) {
      Wait(1000);
      // The driver's own target is of the equinox of date already.
      double ra = m.GotoRA, dec = m.GotoDec;
      if (cmdGoto(ra, dec, QStringLiteral("EOD"))) return false;
    } else {
      Wait(static_cast<long>(ds_.DelayTime) * 1000);
    }
  }
  EndGoto();
  m.TelState = 2;
  m.SlewEndPhase = 1;
  return true;
}

}  // namespace orvan
