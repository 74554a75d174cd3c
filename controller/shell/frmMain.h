#pragma once
// The controller's main window: a hand-controller style panel that owns the process-wide
// state, the timers and the active mount and dome drivers. Start-up and shutdown, the main
// loop and position display, the three layouts, mount selection, the hand controller and the
// mission dispatcher all live on it, each in its own source file.
#include "ACal2.h"
#include "ControllerSettings.h"
#include "DomeDriverBinding.h"
#include "LinkHost.h"
#include "MountDriver.h"
#include "MountHost.h"
#include "WindowPosition.h"
#include "State.h"

#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QFrame;

namespace orvan {

class frmRST400Homing;

class DomeLoop;
class DomePanel;
class SingleInstance;
class WaitMessageWindow;
class frmVSP6;
class frmSensor;
class frmSync;
class AppLinkEndpoint;
class AppLinkServer;

// Things the main window binds or creates that come from other parts of the program. The
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

class frmMain : public QWidget, public MountHost, public LinkHost {
  Q_OBJECT
 public:
  explicit frmMain(MainWindowParts parts = {}, QWidget* parent = nullptr);
  ~frmMain() override;

  // Start-up. False when the program must end at once (another instance runs).
  bool Form_Load();
  // The title's start wait (5 s); tests that do not look at the title shorten it.
  void setStartWait(int ms) { startWaitMs_ = ms; }
  // Shutdown; `cancel` is set when the window must stay open (Option/ExitOption = 1).
  void Form_QueryUnload(bool& cancel);

  // MountHost
  void FormSizeChange(int code) override;
  void TelSlewing(int code) override;
  void Mission(int16_t code, const QString& text = QString()) override;
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

  void BlinkStop();
  void optSpeedOn(int index);
  void CommPortSet();
  // Gives the port-list entries whose device this user may not open a warning icon and the reason.
  void markUnusablePorts();
  // byObserver: chosen from the list (a missing driver is then reported in a message box).
  void cmbTelescope_Click(bool byObserver = true);
  void btnDetail_Click();
  void btnUtility_Click();
  // Asks the telescope bridge to show its chooser.
  void btnChooser_Click();
  // The application link's second answer: code 90 with "Utility" raises the answer flag.
  void UtilityAnswered() { utilityAnswer_ = true; }
  // The application link's send operation, and the utility query.
  void LinkSend(int16_t code, const QString& text);
  void LinkAsk(int16_t code, const QString& text);
  // To the cooperating program whose message is being carried out, and to no other.
  void LinkReply(int16_t code, const QString& text);
  // Where the application link listens; empty when it does not.
  QString appLinkPath() const;
  // The sync dialog, loaded (not shown) when it is not yet.
  frmSync* syncDialog();
  frmSync* syncDialogIfLoaded() const;
  void btnZ_Click();
  void btnDocument_Click();

  // State and parts, for the other windows of the program and for tests.
  ACal2& acal() { return acal_; }
  DomeLoop* domeLoop() const { return domeLoop_.get(); }
  DomePanel* domePanel() const { return domePanel_; }
  frmSensor* sensorWindow() const { return frmSensor_; }
  frmVSP6* virtualPort() const { return vsp_.get(); }
  int windowLayout() const { return layout_; }
  int displayMode() const { return displayMode_; }
  int parkMode() const { return parkMode_; }
  bool domeInUse() const { return state_.dome.DomeInUse; }
  const SetupFields& fields() const { return fields_; }
  void setDisplayMode(int mode);
  // One tick of each timer, callable from tests.
  void LoopTimer_Timer();
  void OneSecTimer_Timer();
  void BlinkTimer_Timer();
  QTimer* loopTimer() { return &LoopTimer; }
  QTimer* blinkTimer() { return &BlinkTimer; }
  QTimer* oneSecTimer() { return &OneSecTimer; }
  QTimer* domeLoopTimer() { return &DomeLoopTimer; }

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void buildUi();
  void buildSetupPanel(QWidget* parent);
  void buildHandPanel(QWidget* parent);
  void fieldsToWidgets();
  void widgetsToFields();
  SetupFields widgetFields() const;
  void showTelescopeName();
  void showPosition();
  void paintStateLamp();
  void updateParkMode();
  void setHandEnabled(bool enabled);
  void setDomePanelEnabled(bool enabled);
  // Shows the controls of the current layout (and the dome panel, when in use) and sizes the
  // window to them.
  void showLayout(bool domePanel);
  // The mount's half of entering the hand layout: false (and the set-up layout) when there is
  // no driver, the port does not open or the observer gave up on a silent mount.
  bool ConnectMount();
  // The park sequence (Mission 54); true when a mount goto or the dome's park was started.
  bool Park();
  void openPopup(const QPoint& globalPos);
  void btnNSWE_MouseDown(int index);
  void btnNSWE_MouseUp(int index);
  void btnP_Click();
  void btnSize_Click();
  int16_t speedCode() const;
  void OrvanforASCOMstartup(bool start);
  // The driver bound to a mount-list entry, created on first use; nullptr when this build has
  // none for it.
  MountDriver* driverFor(const QString& entry);
  MountDriver* createOwnDriver(const QString& entry);
  void DomeDriverBind();
  void StartAppLink();
  void StopAppLink();

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
  bool ascomInUse_ = false;
  bool evexilInUse_ = false;
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
  WindowPosition position_{*this, iniPath_};
  // The RST-400's homing window, made with its driver; it goes before the drivers do.
  std::unique_ptr<frmRST400Homing> homing_;

  MountDriver* Telescope_ = nullptr;
  BoundDome boundDome_;
  std::unique_ptr<DomeLoop> domeLoop_;
  DomePanel* domePanel_ = nullptr;
  frmSensor* frmSensor_ = nullptr;  // the weather sensor window, made with the dome driver
  std::unique_ptr<frmVSP6> vsp_;
  std::map<QString, MountDriver*> drivers_;  // created on first use, kept for the run
  QProcess* ascomProcess_ = nullptr;
  std::unique_ptr<AppLinkEndpoint> linkEndpoint_;
  std::unique_ptr<AppLinkServer> linkServer_;
  QPointer<frmSync> sync_;

  QTimer LoopTimer, DomeLoopTimer, OneSecTimer, BlinkTimer;

  // Controls, named as the observer's manual names them.
  QGroupBox* Frame1 = nullptr;
  std::array<QLabel*, 2> lblRaDec{};
  std::array<QPushButton*, 4> chkDisp{};
  QFrame* Picture1 = nullptr;
  QPushButton* btnSize = nullptr;
  QPushButton* btnDetail = nullptr;
  QLabel* lblTelescopeName = nullptr;
  QLabel* lblEWF = nullptr;
  QGroupBox* fraHand = nullptr;
  std::array<QPushButton*, 5> btnNSWE{};
  std::array<QPushButton*, 3> optSpeed{};
  QPushButton* btnP = nullptr;
  QPushButton* btnZ = nullptr;
  QWidget* fraSetup = nullptr;
  QComboBox* cmbTelescope = nullptr;
  QComboBox* cmbComm = nullptr;
  QLabel* lblComm = nullptr;
  std::array<QRadioButton*, 2> optMount{};
  std::array<QLineEdit*, 8> txtLocation{};
  std::array<QRadioButton*, 2> optNS{};
  std::array<QRadioButton*, 2> optEW{};
  QWidget* Picture2 = nullptr;
  QPushButton* btnChooser = nullptr;
  QLabel* lblAscomTelescope = nullptr;
  QPushButton* btnUtility = nullptr;
  QPushButton* btnDocument = nullptr;
  QMenu* MyPopMe = nullptr;
  QAction* mnu_Mini = nullptr;
  QAction* mnu_Hand = nullptr;
  std::array<QAction*, 4> mnu_Type{};
  QPointer<WaitMessageWindow> waitMessage_;
};

}  // namespace orvan
