#include "CommonMountDriver.h"

#include "ACal2.h"
#include "Clock.h"
#include "IniFile.h"
#include "Shared.h"
#include "Vb.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace orvan {

namespace {
QString EncLogKey(int axis) { return QStringLiteral("EncOfs") + QString::number(axis + 1); }
}  // namespace

CommonMountDriver::CommonMountDriver(const MountTraits& traits, SharedState& state, MountHost& host, ACal2& cal,
                                     const QString& iniPath, QObject* parent)
    : MountDriver(parent), traits_(traits), state_(state), host_(host), cal_(cal), iniPath_(iniPath) {
  if (traits_.slewWatchLimit > 0) {
    slewWatch_.setInterval(1000);
    connect(&slewWatch_, &QTimer::timeout, this, &CommonMountDriver::SlewWatchTick);
    slewWatch_.start();
  }
}

void CommonMountDriver::ShowSetupLayout() {
  WriteIni(iniPath_, QStringLiteral("PUBLIC"), QStringLiteral("FormSizeChange"), QStringLiteral("2"));
  host_.FormSizeChange(2);
}

// ---- encoder log ---------------------------------------------------------------------------

int32_t CommonMountDriver::LoggedCount(const QString& text) {
  const double v = vb::RoundEven(vb::Val(text));
  // Every count of a turn fits many times over; anything larger was never written by us.
  if (!(std::fabs(v) < 1e9)) return 0;
  return static_cast<int32_t>(v);
}

void CommonMountDriver::LoadEncoderLog() {
  // The axis counts of where the mount stands now, not of where the last session left it: a
  // reconnect in the same run would otherwise shift every displayed axis, and the dome that
  // follows them, by the way the mount moved since.
  if (ReadPosition()) UpdateAxisPos();
  MountState& m = mount();
  for (int k = 0; k < 2; ++k) {
    const int32_t logged = LoggedCount(ReadIni(iniPath_, QStringLiteral("EncLog"), EncLogKey(k)));
    m.AxisOfs[k] = logged - (traits_.axisCountsFromSky ? 0 : m.AxisPos[k]);
  }
  FoldAxisDisp();
}

void CommonMountDriver::WriteEncoderLog() {
  if (!EncoderLogWritable()) return;
  if (!traits_.alwaysWriteEncoderLog && vb::Val(mount().TelStatus[TelItem::CommFailed]) != 0) return;
  for (int k = 0; k < 2; ++k)
    WriteIni(iniPath_, QStringLiteral("EncLog"), EncLogKey(k), vb::Str(static_cast<long long>(EncoderLogValue(k))));
}

// ---- goto preparation ----------------------------------------------------------------------

void CommonMountDriver::cmdTrucking() {
  if (mount().TelState == 0) {
    cmdStop();
    cmdStandBy(false);
  }
  cmdMove(QString(), 9);
  mount().TelState = 1;
}

void CommonMountDriver::ReadBacklashSettings() {
  ds_.UseBacklash = false;
  ds_.OverRun = 0;
  ds_.DelayTime = 0;
  const auto num = [this](const char* key) {
    return vb::Val(ReadIni(iniPath_, QStringLiteral("TELESCOPE"), QString::fromLatin1(key)));
  };
  if (num("BackLash") != 1) return;
  ds_.UseBacklash = true;
  ds_.OverRun = static_cast<int32_t>(vb::RoundEven(num("OverRun")));
  ds_.DelayTime = static_cast<int32_t>(vb::RoundEven(num("DelayTime")));
  if (ds_.OverRun > 0) ds_.DelayTime = 0;
}

bool CommonMountDriver::PrepareMotion(Purpose) {
  cmdTrucking();
  cmdMove(QString(), 9);
  mount().TelState = 1;
  Wait(500);
  return true;
}

void CommonMountDriver::AxisMoves(double ra, double dec, AxisMove& mv) const {
  cal_.TargetToAxisCounts(ra, dec, mv.target1, mv.target2, mv.move1, mv.move2);
}

bool CommonMountDriver::PrepareTarget(double& ra, double& dec, const QString& epoch, AxisMove& move, Purpose p) {
  ReadBacklashSettings();
  if (epoch == u"2000") cal_.PrecessRaDec(ra, dec, ra, dec, QStringLiteral("2000EOD"));
  if (HorizonTestFor(p)) {
    double az = 0, alt = 0;
    cal_.EquatorialToHorizontal(vb::RoundEven(ra), vb::RoundEven(dec), az, alt);
    if (!(alt * ACal2::kDegPerRad > 0)) return false;
  }
  if (!PrepareMotion(p)) return false;
  move = AxisMove{};
  AxisMoves(ra, dec, move);
  return true;
}

// ---- the outline ----------------------------------------------------------------------------

bool CommonMountDriver::cmdGoto(double& ra, double& dec, const QString& epoch) {
  SetRefusal(QString());
  // Without a mount to hear it a goto is refused, not started: the dome must not turn.
  if (!CanMove()) return false;
  AxisMove move;
  if (!PrepareTarget(ra, dec, epoch, move)) return false;
  const bool approach = ApproachAfter(move);
  // Refused, or communication given up while it was sent: no slew is marked.
  if (!SendGoto(ra, dec, move, approach) || !CanMove()) return false;
  StartSlew(ra, dec, approach);
  return true;
}

bool CommonMountDriver::cmdSync(double& ra, double& dec, const QString& epoch) {
  if (!CanMove()) return false;
  AxisMove move;
  if (!PrepareTarget(ra, dec, epoch, move, Purpose::Sync)) return false;
  if (!SendSync(ra, dec, move)) return false;
  return CanMove();
}

bool CommonMountDriver::ApproachAfter(const AxisMove& move) const {
  // The hour axis travels negatively: the goto ends after the approach delay.
  return move.move1 > 0 && (!traits_.approachNeedsBacklash || ds_.UseBacklash);
}

void CommonMountDriver::StartSlew(double ra, double dec, bool approach) {
  MountState& m = mount();
  m.TelState = 2;
  ds_.SlewDone = false;
  ds_.ApproachDelay = approach;
  m.GotoRA = ra;
  m.GotoDec = dec;
  // The watch needs two readings taken during this slew before it may call it settled;
  // comparing with a position from before the goto would end the slew at once.
  ds_.PrevRA = std::numeric_limits<double>::quiet_NaN();
  ds_.PrevDec = std::numeric_limits<double>::quiet_NaN();
  ds_.FreshReading = false;
  ds_.GotoActive = true;
  ds_.SeenMoving = false;
  ds_.SlewClock.start();
  host_.TelSlewing(1);
}

bool CommonMountDriver::AbandonGoto() {
  if (!ds_.GotoActive) return false;
  EndGoto();
  host_.SendLinkNg();
  return true;
}

bool CommonMountDriver::MotionMayEnd(bool atTarget) const {
  if (ds_.SeenMoving || atTarget) return true;
  return !ds_.SlewClock.isValid() || ds_.SlewClock.elapsed() >= traits_.slewStartSeconds * 1000.0;
}

bool CommonMountDriver::AtGotoTarget() const {
  const MountState& m = mount();
  double dRa = std::fmod(std::fabs(m.TelRA - m.GotoRA), 86400.0);
  dRa = std::min(dRa, 86400.0 - dRa);
  return dRa <= traits_.arrivalTolerance && std::fabs(m.TelDec - m.GotoDec) <= traits_.arrivalTolerance;
}

// ---- slew watch and status -----------------------------------------------------------------

void CommonMountDriver::SlewWatchTick() {
  MountState& m = mount();
  // Hand moves set TelState 2 too; only a goto of this driver is watched for its end.
  if (m.TelState != 2 || !ds_.GotoActive) return;
  // Nothing read since the last tick (a slow main loop, a stalled tick, a reply that did not
  // parse): the position on hand was judged already, and judging it again would call a mount
  // that is still slewing settled.
  if (!ds_.FreshReading) return;
  ds_.FreshReading = false;
  const double lim = traits_.slewWatchLimit;
  const double dRa = std::fabs(ds_.PrevRA - m.TelRA), dDec = std::fabs(ds_.PrevDec - m.TelDec);
  const bool first = std::isnan(ds_.PrevRA);
  const bool still = traits_.slewWatchInclusive ? (dRa <= lim && dDec <= lim) : (dRa < lim && dDec < lim);
  // Two readings alike are no end by themselves: a mount that has not started yet stands
  // still too, and stopping it then (a park) would cancel the slew before it began.
  if (!first && !still) NoteMoving();
  if (!first && still && MotionMayEnd(AtGotoTarget())) {
    m.TelState = 1;
    ds_.SlewDone = true;
  }
  ds_.PrevRA = m.TelRA;
  ds_.PrevDec = m.TelDec;
}

void CommonMountDriver::UpdateAxisPos() {
  MountState& m = mount();
  int32_t c1 = 0, c2 = 0;
  cal_.TargetToAxisPosition(m.TelRA, m.TelDec, c1, c2);
  m.AxisPos[0] = c1;
  m.AxisPos[1] = c2;
}

void CommonMountDriver::FoldAxisDisp() {
  MountState& m = mount();
  for (int i = 0; i < 2; ++i) {
    // In 64 bits: a controller's counter that wrapped at 32 bits plus an offset must not
    // overflow.
    int64_t v = static_cast<int64_t>(m.AxisPos[i]) + m.AxisOfs[i];
    const int64_t rev = m.AxisRev[i];
    if (v > rev / 2.0) v -= rev;
    if ((v > INT32_MAX || v < INT32_MIN) && rev > 0) v %= rev;
    m.AxisDisp[i] = static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  }
}

bool CommonMountDriver::CompleteGoto() {
  if (!ds_.SlewDone) return true;
  MountState& m = mount();
  if (m.StopRequest) {
    EndGoto();
    cmdStop();
    m.InMissionCall = kTrue;
    host_.Mission(MissionCode::StatusReport);
    m.InMissionCall = kFalse;
    return false;
  }
  // Cleared before the approach delay: a main-loop tick that runs inside the wait must not
  // complete the same goto a second time.
  EndGoto();
  if (ds_.ApproachDelay) Wait(static_cast<long>(ds_.DelayTime) * 1000);
  Arrived();
  m.TelState = 1;
  host_.SendLinkOk();
  host_.TelSlewing(2);
  return true;
}

void CommonMountDriver::PostProcessStatus() {
  MountState& m = mount();
  m.TelStatus[TelItem::RaText] = vb::CStr(m.TelRA);
  m.TelStatus[TelItem::DecText] = vb::CStr(m.TelDec);
  AxisPosFromPosition();
  FoldAxisDisp();
  const double altDeg = WriteHorizontalStatus();
  if (!CompleteGoto()) return;
  WriteHorizonFlag(altDeg);
}

double CommonMountDriver::WriteHorizontalStatus() {
  MountState& m = mount();
  double az = 0, alt = 0;
  cal_.EquatorialToHorizontal(vb::Val(m.TelStatus[TelItem::RaText]), vb::Val(m.TelStatus[TelItem::DecText]), az, alt);
  const double altDeg = alt * ACal2::kDegPerRad;
  // The status azimuth counts from the south, as the mounts themselves report it; the main
  // window turns it back to the north (the transform gives it from the north).
  double azSouth = std::fmod(az * ACal2::kDegPerRad + 180.0, 360.0);
  if (azSouth < 0) azSouth += 360.0;
  m.TelStatus[TelItem::AzimuthText] = vb::Format(azSouth, QStringLiteral("###0.0"));
  m.TelStatus[TelItem::AltitudeText] = vb::Format(altDeg, QStringLiteral("###0.0"));
  // The numbers carry exactly what the texts show (the same decimal rounding).
  m.TelAzimuthFromSouth = vb::Val(m.TelStatus[TelItem::AzimuthText]);
  m.TelAltitude = vb::Val(m.TelStatus[TelItem::AltitudeText]);
  return altDeg;
}

void CommonMountDriver::WriteHorizonFlag(double altDeg) {
  MountState& m = mount();
  m.TelStatus[TelItem::BelowHorizon] = altDeg < m.HorizonLimit ? QStringLiteral("1") : QStringLiteral("0");
}

}  // namespace orvan
