#pragma once
// The controller's dome logic behind the main window's dome panels: connecting the dome and
// finding or restoring its home, the periodic loop that keeps the slit in front of the
// telescope, the operator's rotation, follow and slit buttons, the timed slit run, and the
// dome commands 21 to 26 of the command dispatcher, and the weather sensors read each tick
// (with Option/RainClose = 1, rain or snow also closes the slit). The window owns the timers DomeLoopTimer
// and OneSecTimer and calls the matching handlers; the long-press timer lives here.
//
// Re-entrancy: waits dispatch window events, so ticks and buttons can arrive while a reversal
// waits for the dome to stand still or while the slit pauses. A tick never runs inside
// another tick; a rotation request during a reversal replaces the direction the reversal will
// start (a stop cancels it), so only one reversal is ever in progress.
#include "ACal2.h"
#include "DomeDriver.h"
#include "DomeGeometry.h"
#include "DomeView.h"
#include "FollowBrake.h"
#include "MissionCode.h"
#include "State.h"

#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

Q_DECLARE_LOGGING_CATEGORY(lcDome)

namespace orvan {

class DomeLoop : public QObject {
  Q_OBJECT
 public:
  // The long press that aligns the dome on the follow button.
  static constexpr int kLongPressMs = 1500;
  // A dome that still moves after this many one-second checks is reported and left stopped.
  static constexpr int kDomeWaitChecks = 30;
  // A home search that has not seen the Z mark after this long is given up.
  static constexpr long kHomeSearchLimitMs = 10L * 60 * 1000;
  // This many count readings in a row without a count stop the dome: it cannot be watched.
  static constexpr int kUnreadCountLimit = 3;

  DomeLoop(SharedState& state, ACal2& acal, DomeView& view, QString iniPath, QObject* parent = nullptr);
  ~DomeLoop() override;

  // The driver bound from DOME/Controller (may be null: then the dome is never touched).
  void setDriver(DomeDriver* dome) { Dome_ = dome; }
  DomeDriver* Dome() const { return Dome_; }
  bool connected() const { return connected_; }
  // Replaces the message-dispatching wait (tests).
  void setWait(std::function<void(long ms)> wait) { wait_ = std::move(wait); }

  // DOME/LoopTimer in ms, 200 when absent or not positive.
  int LoopInterval() const;
  // The six grey reference diameters, drawn once at start-up while the dome is in use.
  void DrawReferenceLines();

  // Entering the connected layout: connect, align or search the home, switch following on
  // when DOME/Dome_Auto is 0. Only for controllers 0 and 1 while the dome is in use.
  void StartUp();
  // Leaving the connected layout or ending the program: stop the rotation and the slit, wait
  // until the dome stands, keep the alignment in the settings, disconnect.
  void Disconnect();
  // True while the controller gives no count: the dome is stopped and not followed.
  bool countsLost() const { return countsLost_; }

  // Timers.
  void DomeLoopTimer_Timer();
  void OneSecTimer_Timer();  // the slit part of the one-second tick
  void NagaoshiTimer_Timer();
  bool NagaoshiTimerEnabled() const { return nagaoshi_.isActive(); }

  // Dispatcher commands 21 to 26 (other codes are ignored).
  void Mission(MissionCode code);
  void Mission(int code);
  // The dome part of the slew hook: 1 a goto started, 2 it completed, 0 hand motion or a stop.
  void TelSlewing(int code);

  // Buttons: BtnDomeLR(0) decreasing, (1) increasing, (2) follow; btnDomeSlit(0) open, (1) close.
  void BtnDomeLR_MouseDown(int index);
  void BtnDomeLR_MouseUp(int index);
  void BtnDomeLR_Click(int index);
  void btnDomeSlit_MouseDown(int index);

  // LastEnc and DOME_Z_CW from the present alignment.
  void WriteAlignment();
  // Places the dome and target marks from the captions of lblDomeAZ.
  void DomeReCalc();

 private:
  void rotate(int16_t direction);
  void stopRotation();
  void openSlit(int16_t direction);
  static int16_t slitTicks(int32_t slitTimer);
  void stopSlit();
  bool DomeWait();
  void reportDomeStillMoving();
  void alignToTarget();
  void selectTarget();
  void switchFollowingOn();
  void homeFound();
  void PollSensors();
  // Reads the dome's angle for the tick and keeps track of counts that do not come.
  void readAngle();
  void countsUnread();
  void countsBack();
  // The driver stopped the motors on its own (a line that stopped answering).
  void noteDriverStop();
  void follow();
  bool readDomeAutoSetting() const;
  int32_t readSettingCount(const char* key) const;
  DomeGeometry geometry() const;

  SharedState& s_;
  DomeState& d_;
  ACal2& acal_;
  DomeView& view_;
  QString iniPath_;
  DomeDriver* Dome_ = nullptr;
  std::function<void(long)> wait_;
  QTimer nagaoshi_;

  bool connected_ = false;
  bool countsLost_ = false;
  int unreadCounts_ = 0;
  FollowBrake brake_;
  bool rainClose_ = false;  // Option/RainClose = 1
  bool tickRunning_ = false;
  bool reversing_ = false;
  int16_t pendingMotion_ = 0;
  unsigned slitCommands_ = 0;
  long searchElapsedMs_ = 0;
  QString captions_[2];
  // What the captions and marks show now.
  struct Shown {
    bool valid = false;
    float angle = 0, target = 0;
    DomeShape shape;
  } shown_;
};

}  // namespace orvan
