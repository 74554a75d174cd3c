#pragma once
// The controller's main window: a hand-controller style panel that shows the Observatory and
// forwards what the observer does to it. The window owns its controls, the dome panel, the
// small windows (title, wait message, sync dialog, weather, homing) and its position; the
// observatory owns everything else.
#include "Observatory.h"
#include "ObservatoryView.h"
#include "WindowPosition.h"

#include <QPointer>
#include <QWidget>
#include <array>
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
class DomePanel;
class WaitMessageWindow;
class frmTitle;
class frmSensor;
class frmSync;

class frmMain : public QWidget, public ObservatoryView {
  Q_OBJECT
 public:
  explicit frmMain(MainWindowParts parts = {}, QWidget* parent = nullptr);
  ~frmMain() override;

  Observatory& observatory() { return *obs_; }
  // Start-up. False when the program must end at once (another instance runs).
  bool Form_Load() { return obs_->Form_Load(); }

  // The observer's actions the window forwards.
  void cmbTelescope_Click(bool byObserver = true) { obs_->cmbTelescope_Click(byObserver); }
  void btnDetail_Click() { obs_->btnDetail_Click(); }
  void btnUtility_Click() { obs_->btnUtility_Click(); }
  void setDisplayMode(int mode);
  // Gives the port-list entries whose device this user may not open a warning icon and the reason.
  void markUnusablePorts();
  // The sync dialog, loaded (not shown) when it is not yet.
  frmSync* syncDialog();
  frmSync* syncDialogIfLoaded() const;
  void btnZ_Click();
  void btnDocument_Click();

  int windowLayout() const { return obs_->windowLayout(); }
  int displayMode() const { return obs_->displayMode(); }
  DomePanel* domePanel() const { return domePanel_; }
  frmSensor* sensorWindow() const { return frmSensor_; }

  // ObservatoryView
  void setTopmost() override;
  void restorePosition() override;
  void savePosition() override;
  void showAlreadyRunning(const QString& programTitle) override;
  void showTitle(const QString& picturePath) override;
  void closeTitle() override;
  void showStartupWait(bool shown) override;
  void closeWindow() override { close(); }
  void closeWindowLater() override;
  void unloadAllWindows() override;
  void beep() override;
  void showLayout(int layout, bool domePanel) override;
  void setTelescopeName(const QString& text, const QString& toolTip = QString()) override;
  void setPositionLabels(const QString& upper, const QString& lower) override;
  void setStateLamp(int bgr) override;
  void setPierSide(const QString& text) override;
  void setBridgeTelescope(const QString& text, bool error) override;
  void setParkEnabled(bool enabled) override;
  void setParkBlink(bool on) override;
  void showSpeed(int index) override;
  void setDirectionButtonsEnabled(bool enabled) override;
  void showHandRates(const std::array<bool, 3>& offered) override;
  void showBridgeChooser(bool bridge) override;
  SetupFields readFields(const SetupFields& base) const override;
  void showFields(const SetupFields& fields) override;
  void showMountList(const QStringList& entries) override;
  void showPortList(const QStringList& ports) override;
  QString selectedMountEntry() const override;
  QString selectedCommPort() const override;
  DomeView& domeView() override;
  void attachDomeLoop(DomeLoop& loop, const QString& simulationNotice) override;
  void makeHomingWindow(MountDriver& driver) override;
  void prepareSync(const QString& name, double ra, double dec) override;

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void buildUi();
  void buildSetupPanel(QWidget* parent);
  void buildHandPanel(QWidget* parent);
  void fitToLayout(int layout, bool domePanel);
  void setHandEnabled(bool enabled);
  void openPopup(const QPoint& globalPos);
  void btnNSWE_MouseDown(int index);
  void btnNSWE_MouseUp(int index);

  std::unique_ptr<Observatory> obs_;
  QString iniPath_;
  WindowPosition position_{*this, iniPath_};
  // The RST-400's homing window, made with its driver; it goes before the drivers do.
  std::unique_ptr<frmRST400Homing> homing_;
  DomePanel* domePanel_ = nullptr;
  frmSensor* frmSensor_ = nullptr;  // the weather sensor window, made with the dome driver
  QPointer<frmSync> sync_;
  QPointer<frmTitle> title_;
  QPointer<WaitMessageWindow> waitMessage_;

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
};

}  // namespace orvan
