#pragma once
// What every mount family does the same way whatever carries its commands: the goto and
// sync outline, the goto preparation, the watch that decides when a motion has ended, the
// status post-processing with the goto completion, and the encoder log. A serial family adds
// the port on top (SerialMountDriver); the bridge adds its datagrams.
//
// cmdGoto and cmdSync are one outline for every family: refusal cleared, CanMove, the horizon
// test and the family's motion step (PrepareTarget), the family's words on its wire
// (SendGoto / SendSync), then the slew started here. The hooks a family keeps or replaces:
//   CanMove()              a goto or sync can reach the mount at all;
//   SendGoto/SendSync      the target on the family's wire; false when the mount refused;
//   ApproachAfter(mv)      whether the goto ends with the backlash approach;
//   PrepareMotion(p)       the goto/sync step between the horizon test and the axis counts
//                          (LX200: tracking on, hand motion off, half a second; RST-400: no
//                          command here; E-Vexil: the mount stopped and its counters read
//                          afresh; Temma: a sync only while the mount stands);
//   AxisMoves()            the target's axis counts and the travel to them;
//   HorizonTestFor(p)      whether a goto or sync is refused below the horizon;
//   AxisPosFromPosition()  the axis counts of the current position;
//   FoldAxisDisp()         AxisDisp from AxisPos and AxisOfs, folded to half a turn;
//   CompleteGoto()         what ends a goto the watch saw settle; Arrived() is the family's
//                          own step once it is at its target (RST-400: tracking on again);
//                          the families whose controller reports the end hand SlewEndPhase to
//                          the main loop instead;
//   EncoderLogValue(k)     what closing writes to EncLog;
//   EncoderLogWritable()   whether there is anything true to log.
//
// A goto has ended only when the mount was seen moving (a changed position, a slewing flag)
// and then settled, or when it stands on its target, or after the family's start time for a
// mount that never moves: a controller that starts its slew late is not taken as done.
#include "MountDriver.h"
#include "MountHost.h"
#include "MountTraits.h"
#include "State.h"

#include <QElapsedTimer>
#include <QTimer>

namespace orvan {

class ACal2;

// Per-driver state, each driver keeps its own copy.
struct MountDriverState {
  bool Connected = false;
  bool PortBusy = false;
  int16_t LastTimeoutAnswer = 0;  // 0 never asked, 3 Abort, 4 Retry, 5 Ignore
  bool SlewDone = false;
  bool ApproachDelay = false;
  bool UseBacklash = false;
  int32_t OverRun = 0;    // arcseconds of axis rotation
  int32_t DelayTime = 0;  // seconds
  double PrevRA = 0;
  double PrevDec = 0;
  // A position was read from the mount since the slew watch last looked: the watch judges
  // only fresh readings, never the same old one twice.
  bool FreshReading = false;
  // The observer answered Abort: the program ends once the transaction has returned.
  bool UnloadPending = false;
  // A goto of this driver is under way (hand moves also set TelState 2, but are no goto).
  bool GotoActive = false;
  // The mount was seen moving since the goto started; the goto's age.
  bool SeenMoving = false;
  QElapsedTimer SlewClock;
};

// A target in axis counts and the travel to it: current minus target, per axis.
struct AxisMove {
  int32_t target1 = 0, target2 = 0;
  int32_t move1 = 0, move2 = 0;
};

class CommonMountDriver : public MountDriver {
  Q_OBJECT
 public:
  CommonMountDriver(const MountTraits& traits, SharedState& state, MountHost& host, ACal2& cal,
                    const QString& iniPath, QObject* parent = nullptr);

  // The one goto and sync of every family (see the top of this file).
  bool cmdGoto(double& ra, double& dec, const QString& epoch) final;
  bool cmdSync(double& ra, double& dec, const QString& epoch) final;
  void cmdTrucking() override;
  bool isConnected() const override { return ds_.Connected; }
  bool busy() const override { return ds_.PortBusy; }
  QString lastRefusal() const override { return refusal_; }

  const MountDriverState& driverState() const { return ds_; }
  MountDriverState& driverState() { return ds_; }
  const MountTraits& traits() const { return traits_; }
  const QString& iniPath() const { return iniPath_; }

  // One tick of the 1000 ms slew-completion watch (public so tests can tick it by hand).
  void SlewWatchTick();
  // The watch timer runs while the driver is loaded; tests may stop it and tick by hand.
  QTimer& slewWatchTimer() { return slewWatch_; }

 protected:
  enum class Purpose { Goto, Sync };

  // Store layout "2" and switch the main window to the set-up layout.
  void ShowSetupLayout();
  // The family reads the mount's position into TelRA/TelDec; true only when both axes were
  // read afresh (a reply that does not parse leaves its axis as it was).
  virtual bool ReadPosition() { return false; }
  // The family calls this when ReadPosition got both axes: the slew watch may judge them.
  void NoteFreshReading() { ds_.FreshReading = true; }
  // AxisPos(0..1) of TelRA/TelDec.
  void UpdateAxisPos();
  // The mount's words for a refused goto; cleared at the start of every goto.
  void SetRefusal(const QString& text) { refusal_ = text; }

  // Loading the encoder log at connecting: the position now, then AxisOfs from EncLog.
  void LoadEncoderLog();
  // A logged count as read from the settings file; junk beyond any count reads as 0.
  static int32_t LoggedCount(const QString& text);
  // Writing it at closing (unless communication failed, for the families that may skip it).
  void WriteEncoderLog();
  virtual int32_t EncoderLogValue(int /*axis*/) const { return 0; }
  virtual bool EncoderLogWritable() const { return true; }

  // Backlash settings of TELESCOPE, read at the start of every goto.
  void ReadBacklashSettings();
  // Goto and sync preparation up to the family protocol. False (nothing else done) when the
  // target is not above the horizon, or the family's motion step refused.
  bool PrepareTarget(double& ra, double& dec, const QString& epoch, AxisMove& move, Purpose p = Purpose::Goto);
  virtual bool HorizonTestFor(Purpose) const { return true; }
  virtual bool PrepareMotion(Purpose);
  virtual void AxisMoves(double ra, double dec, AxisMove& move) const;
  // A goto or sync can reach the mount: connected and communication not given up.
  virtual bool CanMove() const = 0;
  // The target on the family's wire; false when the mount refused it (SetRefusal has its
  // words) or could not be told. `approach`: the goto ends with the backlash approach. `dec`
  // comes back as the mount was told it (the LX200 rounds it to its minute).
  virtual bool SendGoto(double ra, double& dec, const AxisMove& move, bool approach) = 0;
  virtual bool SendSync(double ra, double& dec, const AxisMove& move) = 0;
  // The approach delay after a goto whose hour axis travels negatively.
  virtual bool ApproachAfter(const AxisMove& move) const;
  // A goto ended on its target (not one that was to stop there).
  virtual void Arrived() {}

  // The motion watch: the family saw the mount move (a slewing flag); whether a goto may be
  // over now, given whether the position is at the target; the position is at the target.
  void NoteMoving() { ds_.SeenMoving = true; }
  bool MotionMayEnd(bool atTarget) const;
  bool AtGotoTarget() const;
  // A goto of this driver is no longer under way (ended, or given up).
  void EndGoto() { ds_.GotoActive = false; ds_.SlewDone = false; }
  // A started goto given up (a stop, a lost link, a silent mount): no longer under way, and
  // the link told "NG". False when no goto was under way (nothing told).
  bool AbandonGoto();

  // After the family part of cmdStatus set TelRA/TelDec: texts, axis counts, alt/az, goto
  // completion, horizon flag.
  void PostProcessStatus();
  virtual void AxisPosFromPosition() { UpdateAxisPos(); }
  void FoldAxisDisp();
  // Azimuth (from the south) and altitude of TelStatus(2)/(3) into TelStatus(4)/(5); the
  // altitude in degrees.
  double WriteHorizontalStatus();
  // TelStatus(15): "1" below the observer's horizon limit.
  void WriteHorizonFlag(double altDeg);
  // Returns false when cmdStatus ends here (the horizon flag is then left as it was).
  virtual bool CompleteGoto();

  MountState& mount() { return state_.mount; }
  const MountState& mount() const { return state_.mount; }
  SharedState& state() { return state_; }
  MountHost& host() { return host_; }
  ACal2& cal() { return cal_; }
  const ACal2& cal() const { return cal_; }

  MountDriverState ds_;

 private:
  // After the mount accepted the goto: slewing, target stored, the watch restarted,
  // TelSlewing(1).
  void StartSlew(double ra, double dec, bool approach);

  const MountTraits& traits_;
  SharedState& state_;
  MountHost& host_;
  ACal2& cal_;
  QString iniPath_;
  QString refusal_;
  QTimer slewWatch_;
};

}  // namespace orvan
