#include "frmEVexil.h"

#include "ACal2.h"
#include "Prompter.h"
#include "QtSerialLink.h"
#include "SerialTrace.h"
#include "Shared.h"
#include "Vb.h"

#include <cmath>
#include <cstdlib>

namespace orvan {

namespace {
constexpr double kArcsecPerTurn = 1296000.0;

std::optional<int32_t> HexCount(const QString& field) {
  if (field.size() != 8) return std::nullopt;
  bool ok = false;
  const uint v = field.toUInt(&ok, 16);
  // toUInt takes a sign or blanks too; the controller's fields are digits only.
  for (QChar c : field)
    if (!c.isDigit() && !(c >= u'A' && c <= u'F') && !(c >= u'a' && c <= u'f')) ok = false;
  if (!ok) return std::nullopt;
  return static_cast<int32_t>(v);
}
bool IsState(QChar c) { return c == u'I' || c == u'P' || c == u'B'; }
bool IsDirection(QChar c) { return c == u'F' || c == u'R'; }
}  // namespace

frmEVexil::frmEVexil(SharedState& state, MountHost& host, ACal2& cal, const QString& iniPath,
                     std::unique_ptr<SerialLink> link, QObject* parent)
    : SerialMountDriver(FamilyEVexil(), state, host, cal, link ? std::move(link) : std::make_unique<QtSerialLink>(),
                        iniPath, parent) {}

void frmEVexil::Selected() {
  mount().AxisRev[0] = rev_[0];
  mount().AxisRev[1] = rev_[1];
}

QString frmEVexil::Send(const QString& cmd) {
  if (!WaitTelescope()) return QString();
  return SendTelescope(cmd);
}

std::optional<std::pair<int32_t, int32_t>> frmEVexil::ParseCountPair(const QString& reply) {
  if (reply.size() < 20) return std::nullopt;
  const std::optional<int32_t> a = HexCount(reply.mid(3, 8)), b = HexCount(reply.mid(12, 8));
  if (!a || !b) return std::nullopt;
  return std::make_pair(*a, *b);
}

QString frmEVexil::Hex8(long long count) {
  const unsigned long long m = static_cast<unsigned long long>(std::llabs(count)) & 0xFFFFFFFFull;
  return QStringLiteral("%1").arg(m, 8, 16, QChar(u'0')).toUpper();
}

// ---- connection ------------------------------------------------------------------------------

bool frmEVexil::cmdConnect(bool open) {
  if (open) return Connect();
  cmdStop();
  ClosePort();
  return true;
}

void frmEVexil::cmdStartUP() {
  const std::optional<std::pair<int32_t, int32_t>> rd = ParseCountPair(Send(QStringLiteral("RD")));
  rev_[0] = rd && rd->first > 0 ? rd->first : 0;
  rev_[1] = rd && rd->second > 0 ? rd->second : 0;
  Selected();
  // Every axis conversion divides by the counts per turn: without them the mount can still be
  // moved by hand, but no position is shown, no goto or sync runs and nothing is logged.
  if (!CountsPerTurnKnown() && !CommunicationGivenUp())
    Prompter::current().ask(QStringLiteral("E-Vexil"),
                            tr("E-Vexilの周回ステップ数(RD)を読めません。位置の表示、ゴートー、同期はできません。"),
                            Buttons::Ok, Icon::Exclamation);
  Send(QStringLiteral("PA"));
  ReadCounters();
}

int32_t frmEVexil::EncoderLogValue(int axis) const {
  const int32_t rev = mount().AxisRev[axis];
  return rev != 0 ? mount().AxisDisp[axis] % rev : 0;
}

// ---- counters and motion state ---------------------------------------------------------------

bool frmEVexil::ReadCounters() {
  const QString r = Send(QStringLiteral("GP"));
  const std::optional<std::pair<int32_t, int32_t>> gp = ParseCountPair(r);
  if (!gp) {
    // A cut or garbled reply is no reading: the counters stay as last read.
    if (!r.isEmpty()) qCDebug(lcSerial).noquote() << "E-Vexil reply to GP not read, counters kept:" << r;
    return false;
  }
  mount().AxisPos[0] = gp->first;
  mount().AxisPos[1] = gp->second;
  FoldAxisDisp();
  return true;
}

std::optional<bool> frmEVexil::ReadMotionState() {
  const QString r = Send(QStringLiteral("ST"));
  lastST_ = r;
  // Letters outside the controller's set are no state: reading them as "idle" would end a
  // goto that is still running.
  if (r.size() < 7 || !IsState(r[2]) || !IsDirection(r[3]) || !IsState(r[5]) || !IsDirection(r[6])) {
    if (!r.isEmpty()) qCDebug(lcSerial).noquote() << "E-Vexil reply to ST not read:" << r;
    return std::nullopt;
  }
  MountState& m = mount();
  const bool idle = r[2] == u'I' && r[5] == u'I';
  if (idle) m.TelStatus[TelItem::Positioning] = QStringLiteral("0");
  const auto axis = [&](QChar state, QChar dir, int dirItem, int movingItem) {
    if (state == u'P') {
      m.TelStatus[TelItem::Positioning] = QStringLiteral("2");
      m.TelState = 2;
      NoteMoving();
      m.TelStatus[movingItem] = QStringLiteral("1");
    } else if (state == u'B') {
      m.TelStatus[movingItem] = QStringLiteral("1");
    } else {
      m.TelStatus[dirItem] = QStringLiteral("0");
      m.TelStatus[movingItem] = QStringLiteral("0");
    }
    m.TelStatus[dirItem] = dir == u'F' ? QStringLiteral("1") : QStringLiteral("2");
  };
  axis(r[2], r[3], TelItem::HaAxisDirection, TelItem::HaAxisMoving);
  axis(r[5], r[6], TelItem::DecAxisDirection, TelItem::DecAxisMoving);
  return idle;
}

// ---- status ----------------------------------------------------------------------------------

void frmEVexil::cmdStatus() {
  // The waits of a goto's end dispatch events, the main loop among them: a status read inside
  // them would end the same goto twice.
  if (inStatus_) return;
  inStatus_ = true;
  MountState& m = mount();
  bool fresh = false;
  if (ReadCounters() && CountsPerTurnKnown()) {
    cal().AxisCountsToEquatorial(m.AxisDisp[0], m.AxisDisp[1]);
    NoteFreshReading();
    fresh = true;
  }
  const double altDeg = WriteHorizontalStatus();
  const std::optional<bool> idle = ReadMotionState();
  bool goOn = true;
  // Both axes idle ends a goto of this driver only once it was seen positioning ("P"), or it
  // stands on its target, or the time for a move that never starts is up: the controller
  // answers "I" for a moment after taking a move. A goto already handed to the main loop
  // (SlewEndPhase set) is not handed over again.
  if (idle && *idle && ds_.GotoActive && m.TelState == 2 && m.SlewEndPhase == 0 &&
      MotionMayEnd(fresh && AtGotoTarget()))
    goOn = FinishGoto();
  if (goOn) WriteHorizonFlag(altDeg);
  inStatus_ = false;
}

bool frmEVexil::FinishGoto() {
  MountState& m = mount();
  if (trimming_) {
    // The trim is over: now the goto is.
    trimming_ = false;
  } else {
    // The overshoot is not the end of the goto: the final approach runs first, also for a
    // goto that is to stop when it ends (a park would otherwise stop an overrun away).
    if (m.StopRequest && !(ds_.ApproachDelay && ds_.OverRun > 0)) {
      EndGoto();
      m.SlewEndPhase = 2;
      return false;
    }
    if (ds_.ApproachDelay && ds_.OverRun > 0) {
      // Past the target by the overrun: the final approach comes back forward.
      ds_.ApproachDelay = false;
      Send(QStringLiteral("SP0"));
      Wait(500);
      double ra = m.GotoRA, dec = m.GotoDec;
      if (cmdGoto(ra, dec, QStringLiteral("EOD"))) return false;
      // The approach could not start (the target has set, or the controller is gone): the
      // goto ends here, tracking, rather than waiting for ever for a move that never comes.
      m.TelState = 2;
    } else if (ds_.ApproachDelay) {
      ds_.ApproachDelay = false;
      Wait(static_cast<long>(ds_.DelayTime) * 1000);
    }
    Send(QStringLiteral("SP1"));
    // The trim belongs to the goto: it is reported done once, after the trim.
    if (!m.StopRequest && TrimHourAxis()) {
      trimming_ = true;
      ds_.SeenMoving = false;
      ds_.SlewClock.start();
      return true;
    }
  }
  EndGoto();
  m.SlewEndPhase = m.StopRequest ? 2 : 1;
  return m.SlewEndPhase == 1;
}

bool frmEVexil::TrimHourAxis() {
  // The controller does not track while it positions, so the sky has moved on by the time the
  // moves end. With tracking on again, the hour axis makes up those counts forward (the way the
  // final approach always comes), so the goto ends on its target, not a slew's time behind.
  if (!CountsPerTurnKnown() || !ReadCounters()) return false;
  AxisMove mv;
  AxisMoves(mount().GotoRA, mount().GotoDec, mv);
  const int32_t behind = -mv.move1;
  // More than a degree behind is no drift but something else: nothing is moved then.
  if (behind <= 0 || behind > mount().AxisRev[0] / 360) return false;
  return Send(QStringLiteral("DVRAF4#") + Hex8(behind)) == u"OK";
}

// ---- operations ------------------------------------------------------------------------------

bool frmEVexil::PrepareMotion(Purpose p) {
  if (p == Purpose::Sync) return true;
  MountState& m = mount();
  if (vb::Val(m.TelStatus[TelItem::Positioning]) > 0) {
    Send(QStringLiteral("SP0"));
    m.TelState = 0;
    Wait(500);
  }
  Send(QStringLiteral("SP0"));
  m.TelState = 0;
  Wait(500);
  // Stopped, the counters stand still: read them now, so the moves start from where the mount
  // really is rather than from the main loop's last reading.
  return ReadCounters();
}

void frmEVexil::AxisMoves(double ra, double dec, AxisMove& mv) const {
  const MountState& m = mount();
  cal().TargetToAxisCounts(ra, dec, m.AxisDisp[0], m.AxisDisp[1], mv.target1, mv.target2, mv.move1, mv.move2);
}

bool frmEVexil::SendGoto(double, double&, const AxisMove& mv, bool approach) {
  MountState& m = mount();
  long long d1 = mv.move1;
  // The hour axis runs backward: with backlash handling it overshoots by the overrun and the
  // final approach comes back forward.
  if (d1 > 0 && approach && ds_.OverRun > 0)
    d1 = static_cast<long long>(vb::RoundEven(d1 + static_cast<double>(ds_.OverRun) * m.AxisRev[0] / kArcsecPerTurn));
  trimming_ = false;
  return MoveAxes(d1, mv.move2);
}

bool frmEVexil::MoveAxes(long long d1, long long d2) {
  const MountState& m = mount();
  // Where the counters are to end, so that a move in doubt can be completed rather than sent
  // again.
  const long long goal1 = static_cast<long long>(m.AxisPos[0]) - d1;
  const long long goal2 = static_cast<long long>(m.AxisPos[1]) - d2;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const QString r1 = Send((d1 > 0 ? QStringLiteral("DVRAR4#") : QStringLiteral("DVRAF4#")) + Hex8(d1));
    const QString r2 = Send((d2 >= 0 ? QStringLiteral("DVDCR4#") : QStringLiteral("DVDCF4#")) + Hex8(d2));
    if (!CanCommand()) return false;
    if (r1 == u"OK" && r2 == u"OK") return true;
    qCDebug(lcSerial).noquote() << "E-Vexil move not acknowledged, counters asked:" << r1 << r2;
    Send(QStringLiteral("SP0"));
    Wait(500);
    if (!ReadCounters()) return false;
    d1 = static_cast<long long>(m.AxisPos[0]) - goal1;
    d2 = static_cast<long long>(m.AxisPos[1]) - goal2;
  }
  return false;
}

bool frmEVexil::SendSync(double, double&, const AxisMove& mv) {
  MountState& m = mount();
  m.AxisOfs[0] = mv.target1 - m.AxisPos[0];
  m.AxisOfs[1] = mv.target2 - m.AxisPos[1];
  FoldAxisDisp();
  return true;
}

bool frmEVexil::SendZsync() {
  double ra = 0, dec = 0;
  cal().HorizontalToEquatorial(0, 90, ra, dec);
  return cmdSync(ra, dec, QStringLiteral("EOD"));
}

void frmEVexil::cmdStop() {
  Send(QStringLiteral("SP0"));
  MountState& m = mount();
  m.TelState = 0;
  m.StopRequest = kFalse;
  trimming_ = false;
  AbandonGoto();
}

void frmEVexil::cmdMove(const QString& direction, int16_t speed) {
  if (speed == 9) {
    mount().TelState = 1;
    Send(QStringLiteral("SP1"));
    host().TelSlewing(0);
    return;
  }
  QString prefix;
  if (direction == u"N") prefix = QStringLiteral("DVDCF");
  else if (direction == u"S") prefix = QStringLiteral("DVDCR");
  else if (direction == u"W") prefix = QStringLiteral("DVRAF");
  else if (direction == u"E") prefix = QStringLiteral("DVRAR");
  // Without a direction the bare speed digit would mean nothing to the controller.
  if (prefix.isEmpty()) return;
  // A hand move replaces the goto's move on that axis: that goto will not end on its target.
  AbandonGoto();
  Send(prefix + QString::number(speed + 1));
}

}  // namespace orvan
