#pragma once
// What every mount family does the same way whatever carries its commands: the goto
// preparation, the slew-completion watch, the status post-processing with the goto
// completion, and the encoder log. A serial family adds the port on top
// (SerialMountDriver); the bridge adds its datagrams.
//
// Each step is a hook a family keeps or replaces:
//   PrepareMotion(p)       the goto/sync step between the horizon test and the axis counts
//                          (LX200: tracking on, hand motion off, half a second; RST-400: no
//                          command here, its goto switches tracking off itself; E-Vexil: the
//                          mount stopped and its counters read afresh, nothing for a sync);
//   AxisMoves()            the target's axis counts and the travel to them (from AxisPos; the
//                          E-Vexil's sky counts are AxisDisp);
//   HorizonTestFor(p)      whether a goto or sync is refused below the horizon (the bridge's
//                          sync is not: the telescope framework judges it);
//   AxisPosFromPosition()  the axis counts of the current position (families that report
//                          sky coordinates: worked out from TelRA/TelDec);
//   FoldAxisDisp()         AxisDisp from AxisPos and AxisOfs, folded to half a turn;
//   CompleteGoto()         what ends a goto the watch saw settle (Mission 99 on a stop
//                          request, else the approach delay, "OK" to the link, TelSlewing(2));
//                          the families whose controller reports the end hand SlewEndPhase to
//                          the main loop instead;
//   EncoderLogValue(k)     what closing writes to EncLog (0 for families that report sky
//                          coordinates, the folded axis count for the others);
//   EncoderLogWritable()   whether there is anything true to log (not with 0 counts per turn).
#include "MountDriver.h"
#include "MountHost.h"
#include "MountTraits.h"
#include "State.h"

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
  // After the mount accepted the goto: slewing, target stored, the approach delay from the
  // hour-axis move `move1`, TelSlewing(1).
  void StartSlew(double ra, double dec, int32_t move1);

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
  const MountTraits& traits_;
  SharedState& state_;
  MountHost& host_;
  ACal2& cal_;
  QString iniPath_;
  QString refusal_;
  QTimer slewWatch_;
};

}  // namespace orvan
