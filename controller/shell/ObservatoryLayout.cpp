// The three layouts and the connection sequence that entering the hand layout runs, and what a
// driver may set on the window.
#include "Observatory.h"

#include "DomeLoop.h"
#include "IniFile.h"
#include "ObservatoryView.h"
#include "Shared.h"
#include "Vb.h"

namespace orvan {

void Observatory::showTelescopeName() {
  if (bridgeInUse_) {
    view_.setTelescopeName(ascomTelescopeName_.left(26), ascomTelescopeName_);
    return;
  }
  view_.setTelescopeName(view_.selectedMountEntry() + QStringLiteral("   (") + view_.selectedCommPort() + u')');
}

void Observatory::FormSizeChange(int code) {
  // A driver asks for the set-up layout from inside a transaction (after a reply time-out):
  // the layout changes, and the mount is let go, once that transaction has returned, never
  // with the port closing under its wait.
  if (Telescope_ && Telescope_->busy()) {
    QTimer::singleShot(100, this, [this, code] { FormSizeChange(code); });
    return;
  }
  const int controller = state_.domeSettings.Controller;
  const bool domePanel = state_.dome.DomeInUse && (controller == 0 || controller == 1);
  if (code == 0 || code == 10) {
    layout_ = 0;
    view_.showLayout(0, false);
    showTelescopeName();
    return;
  }
  if (code == 1 || code == 11) {
    layout_ = 1;
    view_.showLayout(1, domePanel);
    if (code == 11) return;
    updateParkMode();
    showTelescopeName();
    // Connect the mount, then the dome, then start the loops. A mount that does not answer
    // leaves the window in the set-up layout, unconnected and without loops: the driver has
    // told the observer why and stored the set-up layout for the next start.
    if (!ConnectMount()) return;
    view_.showStartupWait(true);
    Wait(1000);
    // The dome connects, then finds or restores its home and switches following on when
    // DOME/Dome_Auto asks for it; a dome that fails is not used for the rest of the run.
    if (state_.dome.DomeInUse && (controller == 0 || controller == 1) && domeLoop_) {
      domeLoop_->StartUp();
      if (!state_.dome.DomeInUse) view_.showLayout(1, false);
    }
    // A dome that failed to connect cannot be parked: the park button offers what is left.
    updateParkMode();
    view_.showStartupWait(false);
    WriteIni(iniPath_, QStringLiteral("PUBLIC"), QStringLiteral("FormSizeChange"), QStringLiteral("1"));
    lastShownState_ = -1;
    const int loop = static_cast<int>(vb::Val(ReadIni(iniPath_, QStringLiteral("PUBLIC"), QStringLiteral("LoopTimer"))));
    // An interval of 0 leaves the main loop without ticks.
    if (loop > 0) LoopTimer.start(loop);
    else LoopTimer.stop();
    if (state_.dome.DomeInUse && domeLoop_) DomeLoopTimer.start(domeLoop_->LoopInterval());
    OneSecTimer.start(1000);
    return;
  }
  if (code == 2) {
    layout_ = 2;
    view_.showLayout(2, domePanel);
    stopLoops();
    if (state_.dome.DomeInUse) {
      Mission(MissionCode::DomeStop);
      if (domeLoop_) domeLoop_->Disconnect();
    }
  }
}

bool Observatory::ConnectMount() {
  MountState& m = state_.mount;
  if (!Telescope_) {
    // No driver for the chosen family: nothing is sent anywhere, and the label says why.
    FormSizeChange(2);
    view_.setTelescopeName(NoDriverNote(view_.selectedMountEntry()));
    return false;
  }
  const bool connected = Telescope_->cmdConnect(true);
  // Abort or Ignore to a time-out during the start-up commands gives up the link as well.
  if (connected && vb::Val(m.TelStatus[TelItem::CommFailed]) == 0 && layout_ == 1) return true;
  if (layout_ != 2) FormSizeChange(2);
  return false;
}

void Observatory::btnSize_Click() {
  const int was = layout_;
  if (was == 0) FormSizeChange(11);
  else if (was == 1) FormSizeChange(10);
  // A homing window comes with the hand layout and goes with the mini one.
  if ((was == 0 || was == 1) && Telescope_) Telescope_->ShowHomingWindow(was == 0);
}

// ---- what a driver may set in the window -----------------------------------------------------

void Observatory::SetMainLoop(bool on) {
  // Only a connected mount is polled: a home search that ends while the set-up layout shows
  // (or before the start has connected) must not start the loop on a closed port.
  const bool connectedLayout = layout_ != 2 && Telescope_ && Telescope_->isConnected();
  const int interval = static_cast<int>(vb::Val(ReadIni(iniPath_, QStringLiteral("PUBLIC"), QStringLiteral("LoopTimer"))));
  if (on && connectedLayout && interval > 0) {
    LoopTimer.setInterval(interval);
    LoopTimer.start();
  } else if (!on) {
    LoopTimer.stop();
  }
}

void Observatory::SetPositionLabels(const QString& upper, const QString& lower) { view_.setPositionLabels(upper, lower); }

void Observatory::SetStateLamp(int bgr) { view_.setStateLamp(bgr); }

void Observatory::SetPierSide(const QString& text) { view_.setPierSide(text); }

void Observatory::SetAscomTelescope(const QString& text) {
  ascomTelescopeName_ = text;
  view_.setBridgeTelescope(text, false);
  if (bridgeInUse_ && layout_ != 2) showTelescopeName();
}

void Observatory::ShowBridgeError(const QString& text) {
  // Shown where the telescope's name stands, in red, until the bridge names it again; the
  // name itself is kept, so leaving the set-up layout is judged on what was chosen.
  view_.setBridgeTelescope(text, true);
  if (bridgeInUse_ && layout_ != 2) view_.setTelescopeName(text.left(26), text);
}

}  // namespace orvan
