#pragma once
// What every serial mount family does the same way: opening the port with its retries,
// closing with the encoder log, the send-and-wait transaction with its time-out question,
// the port event handler, the goto preparation, the slew-completion watch and the status
// post-processing. A family driver adds its protocol on top (frmLX200, ...).
#include "MountDriver.h"
#include "MountHost.h"
#include "SerialFamily.h"
#include "SerialLink.h"
#include "State.h"

#include <QTimer>
#include <memory>

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

class SerialMountDriver : public MountDriver {
  Q_OBJECT
 public:
  // `link` is the port (QtSerialLink in the program, FakeSerialLink in tests); `iniPath`
  // the settings file.
  SerialMountDriver(const SerialFamily& family, SharedState& state, MountHost& host, ACal2& cal,
                    std::unique_ptr<SerialLink> link, const QString& iniPath, QObject* parent = nullptr);
  ~SerialMountDriver() override;

  QString SendTelescope(const QString& cmd) override;
  void cmdTrucking() override;
  bool isConnected() const override { return ds_.Connected; }
  bool busy() const override { return ds_.PortBusy; }
  QString lastRefusal() const override { return refusal_; }

  const MountDriverState& driverState() const { return ds_; }
  MountDriverState& driverState() { return ds_; }
  SerialLink& link() { return *link_; }
  const SerialFamily& family() const { return family_; }
  const QString& iniPath() const { return iniPath_; }

  // The serial event handler: records the code, beeps on end-of-file, and for families that
  // report them shows the error texts.
  void OnCommEvent(int code);
  // One tick of the 1000 ms slew-completion watch (public so tests can tick it by hand).
  void SlewWatchTick();
  // The watch timer runs while the driver is loaded; tests may stop it and tick by hand.
  QTimer& slewWatchTimer() { return slewWatch_; }

 protected:
  // Opening: returns true when the port is open (at once when it already was); on failure
  // tells the observer, switches the main window to the set-up layout and returns false.
  bool OpenPort();
  // The connection after a successful open: Connected, Wait(500), cmdStartUP, encoder log.
  void FinishConnect();
  // Closing: writes the encoder log (unless communication failed), closes, Connected = false.
  // `value(k)` gives the logged value of axis k.
  void ClosePort(int32_t encOfs1, int32_t encOfs2);
  // Store layout "2" and switch the main window to the set-up layout.
  void ShowSetupLayout();
  // The observer gave up communication (Abort or Ignore to a time-out): nothing more is sent.
  bool CommunicationGivenUp() const { return ds_.LastTimeoutAnswer != 0 && ds_.LastTimeoutAnswer != 4; }
  // A goto or sync can reach the mount: connected, the port open, communication not given up.
  bool CanCommand() const { return ds_.Connected && link_->isOpen() && !CommunicationGivenUp(); }
  // The family reads the mount's position into TelRA/TelDec; true only when both axes were
  // read afresh (a reply that does not parse leaves its axis as it was).
  virtual bool ReadPosition() { return false; }
  // The family calls this when ReadPosition got both axes: the slew watch may judge them.
  void NoteFreshReading() { ds_.FreshReading = true; }
  // AxisPos(0..1) of TelRA/TelDec.
  void UpdateAxisPos();
  // The mount's words for a refused goto; cleared at the start of every goto.
  void SetRefusal(const QString& text) { refusal_ = text; }
  // Backlash settings of TELESCOPE, read at the start of every goto.
  void ReadBacklashSettings();
  // Goto and sync preparation up to the family protocol. False (nothing else done) when the
  // target is not above the horizon. `move1` is the hour-axis move distance.
  bool PrepareTarget(double& ra, double& dec, const QString& epoch, int32_t& move1);
  // After the mount accepted the goto: slewing, target stored, the approach delay from the
  // hour-axis move `move1`, TelSlewing(1).
  void StartSlew(double ra, double dec, int32_t move1);
  // After the family part of cmdStatus set TelRA/TelDec: texts, axis counts, alt/az,
  // goto completion, horizon flag.
  void PostProcessStatus();

  MountState& mount() { return state_.mount; }
  SharedState& state() { return state_; }
  MountHost& host() { return host_; }
  ACal2& cal() { return cal_; }

 private:
  enum class WaitOutcome { KeepWaiting, StopWaiting, ReturnEmpty };
  WaitOutcome HandleTimeout(const QString& cmd, float& start, bool& rerun);
  bool ReplyComplete(const QByteArray& reply) const;
  bool WantsHash(const QString& cmd, const QByteArray& reply) const;

  const SerialFamily& family_;
  SharedState& state_;
  MountHost& host_;
  ACal2& cal_;
  std::unique_ptr<SerialLink> link_;
  QString iniPath_;
  MountDriverState ds_;
  QString refusal_;
  QTimer slewWatch_;
};

}  // namespace orvan
