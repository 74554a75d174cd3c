#pragma once
// What a mount driver may ask of the main window. The main window implements it; drivers
// never see the window itself, so they run headless in tests with RecordingMountHost.
#include "MissionCode.h"

#include <QString>
#include <cstdint>

namespace orvan {

class MountHost {
 public:
  virtual ~MountHost() = default;

  // Window layout: 0/10 mini, 1 hand with connection, 11 hand only, 2 set-up with
  // disconnection. Drivers call it with 2 after storing "2" in PUBLIC/FormSizeChange.
  virtual void FormSizeChange(int code) = 0;
  // 1 a goto has started, 2 a goto has completed, 0 hand motion or a stop has ended it.
  virtual void TelSlewing(int code) = 0;
  // The main window's command dispatcher (99 = status report after a stop-requested goto).
  virtual void Mission(int16_t code, const QString& text = QString()) = 0;
  void Mission(MissionCode c, const QString& text = QString()) { Mission(codeOf(c), text); }
  // The application-link notification "OK" sent when a goto completes.
  virtual void SendLinkOk() = 0;
  // A goto that had started was given up (a stop, a lost bridge, a silent mount): the
  // application link is told "NG" at once rather than left waiting out its time-out.
  virtual void SendLinkNg() {}
  // The selected entry of the serial port list (cmbComm), for example "COM3"; empty when
  // nothing is selected.
  virtual QString SelectedCommPort() const = 0;
  // Ends the program after the observer answered Abort or Ignore to a reply time-out.
  virtual void UnloadMainWindow() = 0;
  // The system beep (end-of-file character received on a mount port).
  virtual void Beep() {}

  // The main loop (LoopTimer) on or off: the RST-400 pauses it during a home search.
  virtual void SetMainLoop(bool /*on*/) {}
  // The two position lines of the main window (lblRaDec 0 and 1).
  virtual void SetPositionLabels(const QString& /*upper*/, const QString& /*lower*/) {}
  // The state lamp (Picture1), a colour as 0x00BBGGRR.
  virtual void SetStateLamp(int /*bgr*/) {}
  // The pier-side label (lblEWF) and the bridge's telescope name (lblAscomTelescope).
  virtual void SetPierSide(const QString& /*text*/) {}
  virtual void SetAscomTelescope(const QString& /*text*/) {}
  // A failure of the telescope bridge (the program missing, ended or silent, the telescope or
  // its server gone), shown until the bridge names its telescope again.
  virtual void ShowBridgeError(const QString& /*text*/) {}
  // The window layout now shown (0/10 mini, 1/11 hand, 2 set-up).
  virtual int CurrentLayout() const { return 2; }
};

}  // namespace orvan
