#pragma once
// The observatory the controller runs: the process-wide state, the timers and loops, the active
// mount and dome drivers, the mission dispatcher, park, mount selection, start-up and shutdown.
// It is what the mount drivers and the links talk to. The main window is only its view: it shows
// what the observatory says and forwards what the observer does. Each concern has its own
// source file (ObservatoryStartup, ObservatoryLoop, ObservatorySelect, ObservatoryMission,
// ObservatoryHand, ObservatoryLink).
#include "ACal2.h"
#include "ControllerSettings.h"
#include "DomeDriverBinding.h"
#include "LinkHost.h"
#include "MountDriver.h"
#include "MountHost.h"
#include "State.h"

#include <QObject>
#include <QProcess>
#include <QTimer>
#include <array>
#include <functional>
#include <map>
#include <memory>

namespace orvan {

class DomeLoop;
class ObservatoryView;
class SingleInstance;
class frmVSP6;
class AppLinkEndpoint;
class AppLinkServer;
class LinkHandMotion;
struct MountFamily;

// Things the observatory binds or creates that come from other parts of the program. The
// application fills them; a test can leave any of them empty.
struct MainWindowParts {
  // Creates the driver for a mount-list entry ("Meade LX200", ...); nullptr when that family
  // has no driver in this build. Empty: the program's own drivers.
  std::function<MountDriver*(const QString& entry, QObject* parent)> createMountDriver;
  // The ASCOM bridge's SendCmd ("cmdName", "cmdChoose", "cmdEnd").
  std::function<void(const QString& cmd)> ascomSendCmd;
  // Also hears what the application link sends (code, text, flag), for tests.
  std::function<void(int code, const QString& text, bool flag)> linkSend;
  // Opens a document with the desktop's viewer; empty: xdg-open.
  std::function<bool(const QString& path, QString& error)> openDocument;
};

// What the label says when the chosen mount family has no driver in this build.
QString NoDriverNote(const QString& entry);

class Observatory : public QObject, public MountHost, public LinkHost {
  Q_OBJECT
 public:
  Observatory(ObservatoryView& view, MainWindowParts parts = {}, QObject* parent = nullptr);
  ~Observatory() override;

  // Start-up. False when the program must end at once (another instance runs, or it was asked
  // to end during the start).
  bool Form_Load();
  // The title's start wait (5 s); tests that do not look at the title shorten it.
  void setStartWait(int ms) { startWaitMs_ = ms; }
  // Shutdown; `cancel` is set when the window must stay open (Option/ExitOption = 1).
  void Form_QueryUnload(bool& cancel);
  // The window was asked to close: false keeps it open (during the start-up the close is kept
  // for the start-up to act on; Option/ExitOption = 1 keeps it as well).
  bool CloseRequested();

  // MountHost
  void FormSizeChange(int code) override;
  void TelSlewing(int code) override;
  void Mission(int16_t code, const QString& text = QString()) override;
  void Mission(MissionCode code, const QString& text = QString()) { Mission(codeOf(code), text); }
  void SendLinkOk() override;
  void SendLinkNg() override;

  // LinkHost
  MountDriver* Telescope() override { return Telescope_; }
  void IniRead() override;
  SharedState& state() override { return state_; }
  QString IniPath() const override { return iniPath_; }
  QString SelectedCommPort() const override;
  void UnloadMainWindow() override;
  void Beep() override;
  void SetMainLoop(bool on) override;
  void SetPositionLabels(const QString& upper, const QString& lower) override;
  void SetStateLamp(int bgr) override;
  void SetPierSide(const QString& text) override;
  void SetAscomTelescope(const QString& text) override;
  void ShowBridgeError(const QString& text) override;
  int CurrentLayout() const override { return layout_; }

  // ---- what the observer does ----------------------------------------------------------------
  // byObserver: chosen from the list (a missing driver is then reported in a message box).
  void cmbTelescope_Click(bool byObserver = true);
  // ">>" from the hand layout to the set-up layout, "<<" back (saving and connecting).
  void btnDetail_Click();
  // "▼"/"▲" between the mini and the hand layout.
  void btnSize_Click();
  void btnUtility_Click();
  // Asks the telescope bridge to show its chooser.
  void btnChooser_Click();
  // The park button: confirmation, then the park; pressed while it blinks, the park stops.
  void btnP_Click();
  // A direction button (0 N, 1 S, 2 E, 3 W) held and let go; 4 is the stop button.
  void btnNSWE_MouseDown(int index);
  void btnNSWE_MouseUp(int index);
  void optSpeedOn(int index);
  void setDisplayMode(int mode);
  void BlinkStop();
  void CommPortSet();

  // The application link's second answer: code 90 with "Utility" raises the answer flag.
  void UtilityAnswered() { utilityAnswer_ = true; }
  // The application link's send operation, and the utility query.
  void LinkSend(int16_t code, const QString& text);
  void LinkAsk(int16_t code, const QString& text);
  // To the cooperating program whose message is being carried out, and to no other.
  void LinkReply(int16_t code, const QString& text);
  // Where the application link listens; empty when it does not.
  QString appLinkPath() const;

  // State and parts, for the windows of the program and for tests.
  const MainWindowParts& parts() const { return parts_; }
  ACal2& acal() { return acal_; }
  DomeLoop* domeLoop() const { return domeLoop_.get(); }
  frmVSP6* virtualPort() const { return vsp_.get(); }
  int windowLayout() const { return layout_; }
  int displayMode() const { return displayMode_; }
  int parkMode() const { return parkMode_; }
  bool domeInUse() const { return state_.dome.DomeInUse; }
  const SetupFields& fields() const { return fields_; }
  // One tick of each timer, callable from tests.
  void LoopTimer_Timer();
  void OneSecTimer_Timer();
  void BlinkTimer_Timer();
  QTimer* loopTimer() { return &LoopTimer; }
  QTimer* blinkTimer() { return &BlinkTimer; }
  QTimer* oneSecTimer() { return &OneSecTimer; }
  QTimer* domeLoopTimer() { return &DomeLoopTimer; }

 private:
  void fieldsToView();
  void showTelescopeName();
  void showPosition();
  void paintStateLamp();
  void updateParkMode();
  // The horizon detour of a family that needs it, one main-loop tick.
  void horizonDetour();
  // The mount's half of entering the hand layout: false (and the set-up layout) when there is
  // no driver, the port does not open or the observer gave up on a silent mount.
  bool ConnectMount();
  // The park sequence (Mission 54); true when a mount goto or the dome's park was started.
  bool Park();
  // The timers stopped, the mount and the dome let go.
  void stopLoops();
  int16_t speedCode() const;
  void OrvanforASCOMstartup(bool start);
  // The driver bound to a mount family, created on first use; nullptr when this build has
  // none for it.
  MountDriver* driverFor(const MountFamily& family);
  MountDriver* createOwnDriver(const QString& entry);
  void DomeDriverBind();
  void StartAppLink();
  void StopAppLink();

  ObservatoryView& view_;
  MainWindowParts parts_;
  SharedState state_;
  ACal2 acal_;
  QString iniPath_;
  SetupFields fields_;
  // The set-up fields as the layout showed them after the last read: connecting writes only
  // what the observer changed since, never back what the utility saved meanwhile.
  SetupFields shownFields_;
  std::unique_ptr<SingleInstance> instance_;

  // Window layout (0 mini, 1 hand, 2 set-up), display mode and the last shown mount state.
  int layout_ = 0;
  int displayMode_ = 0;
  int lastShownState_ = -1;
  // The chosen family's row; nullptr when the entry has no row or no driver.
  const MountFamily* family_ = nullptr;
  bool bridgeInUse_ = false;
  bool detourActive_ = false;
  double detourRa_ = 0, detourDec_ = 0;  // the goto a detour interrupted, equinox of date
  bool blinkPhase_ = false;
  bool utilityAnswer_ = false;
  bool shuttingDown_ = false;
  QString ascomTelescopeName_;
  bool shutdownRequested_ = false;  // Mission 98: end even when ExitOption keeps the window
  bool starting_ = false;           // Form_Load between the title and its last step
  bool loadBegun_ = false;          // Form_Load got past the single-instance guard
  bool closeAsked_ = false;         // a close arrived while starting
  int parkMode_ = 0;
  int startWaitMs_ = 5000;
  std::array<bool, 3> speedFlags_{false, false, false};

  MountDriver* Telescope_ = nullptr;
  BoundDome boundDome_;
  std::unique_ptr<DomeLoop> domeLoop_;
  std::unique_ptr<frmVSP6> vsp_;
  std::map<QString, MountDriver*> drivers_;  // created on first use, kept for the run
  QProcess* ascomProcess_ = nullptr;
  std::unique_ptr<AppLinkEndpoint> linkEndpoint_;
  std::unique_ptr<AppLinkServer> linkServer_;
  std::unique_ptr<LinkHandMotion> linkHand_;  // a device program's hand motion

  QTimer LoopTimer, DomeLoopTimer, OneSecTimer, BlinkTimer;
};

}  // namespace orvan
