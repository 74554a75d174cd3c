#pragma once
// What the observatory shows on the main window and asks of it. The window implements it with
// its controls (names in the comments); the Observatory never touches a widget, so it runs
// headless in tests with RecordingObservatoryView.
#include "ControllerSettings.h"

#include <QString>
#include <QStringList>
#include <array>

namespace orvan {

class DomeLoop;
class DomeView;
class MountDriver;

class ObservatoryView {
 public:
  virtual ~ObservatoryView() = default;

  // ---- the window --------------------------------------------------------------------------
  // Kept above the planetarium program.
  virtual void setTopmost() = 0;
  // The window's stored position, read at the start and written at the end.
  virtual void restorePosition() = 0;
  virtual void savePosition() = 0;
  // The notice that another controller runs from this folder (ends on OK or by itself).
  virtual void showAlreadyRunning(const QString& programTitle) = 0;
  // The title window of the start wait.
  virtual void showTitle(const QString& picturePath) = 0;
  virtual void closeTitle() = 0;
  // "Starting, please wait" while the mount and dome connect.
  virtual void showStartupWait(bool shown) = 0;
  // The window closes (now, or once the event loop has returned to it), and with it all others.
  virtual void closeWindow() = 0;
  virtual void closeWindowLater() = 0;
  virtual void unloadAllWindows() = 0;
  virtual void beep() = 0;

  // ---- layouts and labels ------------------------------------------------------------------
  // 0 mini, 1 hand, 2 set-up (the hand controller off, the position cleared, the version in
  // the telescope label); `domePanel` shows the dome panel below the hand controller.
  virtual void showLayout(int layout, bool domePanel) = 0;
  // lblTelescopeName and its tool tip.
  virtual void setTelescopeName(const QString& text, const QString& toolTip = QString()) = 0;
  // lblRaDec(0) and (1).
  virtual void setPositionLabels(const QString& upper, const QString& lower) = 0;
  // Picture1, a colour as 0x00BBGGRR.
  virtual void setStateLamp(int bgr) = 0;
  // lblEWF.
  virtual void setPierSide(const QString& text) = 0;
  // lblAscomTelescope: the bridge's telescope, or in red what went wrong with the bridge.
  virtual void setBridgeTelescope(const QString& text, bool error) = 0;

  // ---- hand controller ---------------------------------------------------------------------
  virtual void setParkEnabled(bool enabled) = 0;
  // btnP while a park runs: `on` the flash colour, off the plain one.
  virtual void setParkBlink(bool on) = 0;
  // The rate buttons: the chosen one lit.
  virtual void showSpeed(int index) = 0;
  // What the chosen mount offers: the direction buttons, the rates (hidden when not offered),
  // and for the bridge its chooser in the place of the port and mount type.
  virtual void setDirectionButtonsEnabled(bool enabled) = 0;
  virtual void showHandRates(const std::array<bool, 3>& offered) = 0;
  virtual void showBridgeChooser(bool bridge) = 0;

  // ---- set-up fields -----------------------------------------------------------------------
  // The fields as the observer left them, and the fields shown afresh.
  virtual SetupFields readFields(const SetupFields& base) const = 0;
  virtual void showFields(const SetupFields& fields) = 0;
  virtual void showMountList(const QStringList& entries) = 0;
  virtual void showPortList(const QStringList& ports) = 0;
  // cmbTelescope's and cmbComm's current texts.
  virtual QString selectedMountEntry() const = 0;
  virtual QString selectedCommPort() const = 0;

  // ---- parts made with the devices ---------------------------------------------------------
  // The dome panel the dome loop draws on, and the loop once it is made (the panel's buttons,
  // the weather window, the simulation notice).
  virtual DomeView& domeView() = 0;
  virtual void attachDomeLoop(DomeLoop& loop, const QString& simulationNotice) = 0;
  // A mount family with a homing window gets it made with its driver.
  virtual void makeHomingWindow(MountDriver& driver) = 0;
  // A cooperating program's sync target goes into the sync dialog.
  virtual void prepareSync(const QString& name, double ra, double dec) = 0;
};

}  // namespace orvan
