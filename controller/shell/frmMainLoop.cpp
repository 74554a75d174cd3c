// The main loop: poll the mount, show its position in the chosen mode, finish gotos the
// drivers report as ended, colour the state lamp. Also the layouts and their connection
// sequence, the one-second and blink ticks.
#include "frmMain.h"

#include "Clock.h"
#include "DomeLoop.h"
#include "IniFile.h"
#include "Shared.h"
#include "SmallWindows.h"
#include "Vb.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <cmath>

namespace orvan {

namespace {
QString colour(int r, int g, int b) { return QStringLiteral("background: rgb(%1,%2,%3);").arg(r).arg(g).arg(b); }
}  // namespace

void frmMain::LoopTimer_Timer() {
  // Without a mount driver the clock still runs; the other modes have nothing to show.
  if (!Telescope_) {
    if (displayMode_ == 3) showPosition();
    return;
  }
  MountState& m = state_.mount;
  // 1. Refresh TelStatus and TelState.
  Telescope_->cmdStatus();
  // 2-3. Position.
  showPosition();
  // 4. Gotos whose end the E-Vexil and Temma drivers report through SlewEndPhase.
  if (m.SlewEndPhase == 1) {
    if (m.TelState == 2) {
      m.TelState = 1;
      TelSlewing(2);
    }
    const bool slitRunning = state_.dome.SlitState == 1 || state_.dome.SlitState == -1;
    if (!slitRunning && std::fabs(state_.dome.DomeError) <= state_.domeSettings.DOME_REVOLVE) {
      SendLinkOk();
      m.SlewEndPhase = 0;
    }
  } else if (m.SlewEndPhase == 2) {
    if (m.StopRequest) Telescope_->cmdStop();
    m.StopRequest = kFalse;
    m.SlewEndPhase = 0;
    m.InMissionCall = kTrue;
    Mission(99);
    m.InMissionCall = kFalse;
  }
  // 5. E-Vexil: a slew that dips below the horizon is sent round by the pole. The goto being
  // interrupted is kept as the driver took it (equinox of date), because the detour's own goto
  // replaces the driver's target.
  if (evexilInUse_) {
    const double alt = vb::Val(m.TelStatus[5]);
    if (alt < -1 && m.TelState == 2 && !detourActive_) {
      detourActive_ = true;
      detourRa_ = m.GotoRA;
      detourDec_ = m.GotoDec;
      // The observer's visible pole: a southern site's north pole is below its horizon.
      double ra = m.GotoRA, dec = state_.site.SiteLatitude < 0 ? -320400 : 320400;
      Telescope_->cmdGoto(ra, dec, QStringLiteral("EOD"));
    } else if (alt > 20 && m.TelState == 2 && detourActive_) {
      detourActive_ = false;
      double ra = detourRa_, dec = detourDec_;
      Telescope_->cmdGoto(ra, dec, QStringLiteral("EOD"));
    }
  }
  // 6. State lamp.
  paintStateLamp();
}

void frmMain::showPosition() {
  const MountState& m = state_.mount;
  const double raApp = vb::Val(m.TelStatus[2]);
  const double decApp = vb::Val(m.TelStatus[3]);
  switch (displayMode_) {
    case 0: {
      double ra2000 = 0, dec2000 = 0;
      acal_.PrecessRaDec(raApp, decApp, ra2000, dec2000, QStringLiteral("EOD2000"));
      lblRaDec[0]->setText(ACal2::FormatRaText(ra2000));
      lblRaDec[1]->setText(ACal2::FormatDecText(dec2000));
      break;
    }
    case 1:
      lblRaDec[0]->setText(ACal2::FormatRaText(raApp));
      lblRaDec[1]->setText(ACal2::FormatDecText(decApp));
      break;
    case 2: {
      // The mounts report the azimuth from the south; the display counts from the north.
      double az = vb::Val(m.TelStatus[4]) - 180;
      if (az < 0) az += 360;
      lblRaDec[0]->setText(QStringLiteral("ALT ") + vb::Format(vb::Val(m.TelStatus[5]), QStringLiteral(" ##0.00°")));
      lblRaDec[1]->setText(QStringLiteral("AZ ") + vb::Format(az, QStringLiteral(" ##0.00°")));
      break;
    }
    default:
      lblRaDec[0]->setText(vb::ClockText(Clock::current().secondsSinceMidnight()));
      lblRaDec[1]->setText(ACal2::FormatSiderealText(acal_.LocalSiderealTime()));
      break;
  }
}

void frmMain::paintStateLamp() {
  const int s = state_.mount.TelState;
  if (s == lastShownState_) return;
  switch (s) {
    case 0:
      Picture1->setStyleSheet(colour(255, 128, 128));
      BlinkStop();
      break;
    case 1:
      Picture1->setStyleSheet(colour(192, 255, 255));
      BlinkStop();
      break;
    case 2:
      Picture1->setStyleSheet(colour(255, 255, 128));
      break;
    default: break;
  }
  lastShownState_ = s;
}

void frmMain::OneSecTimer_Timer() {
  // Timed slit runs end here.
  if (domeLoop_) domeLoop_->OneSecTimer_Timer();
}

void frmMain::BlinkTimer_Timer() {
  blinkPhase_ = !blinkPhase_;
  btnP->setStyleSheet(blinkPhase_ ? QStringLiteral("background: rgb(255,0,0); color: white;")
                                  : QStringLiteral("background: rgb(64,64,0); color: white;"));
}

void frmMain::BlinkStop() {
  BlinkTimer.stop();
  blinkPhase_ = false;
  btnP->setStyleSheet(QStringLiteral("background: rgb(64,64,0); color: white;"));
}

void frmMain::TelSlewing(int code) {
  if (state_.dome.DomeInUse && domeLoop_) domeLoop_->TelSlewing(code);
}

void frmMain::showTelescopeName() {
  if (ascomInUse_) {
    lblTelescopeName->setText(ascomTelescopeName_.left(26));
    lblTelescopeName->setToolTip(ascomTelescopeName_);
    return;
  }
  lblTelescopeName->setText(cmbTelescope->currentText() + QStringLiteral("   (") + cmbComm->currentText() + u')');
}

void frmMain::setHandEnabled(bool enabled) {
  fraHand->setEnabled(enabled);
  btnZ->setEnabled(enabled);
}

void frmMain::FormSizeChange(int code) {
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
    showLayout(false);
    btnSize->setText(QStringLiteral("▲"));
    showTelescopeName();
    return;
  }
  if (code == 1 || code == 11) {
    layout_ = 1;
    showLayout(domePanel);
    setHandEnabled(true);
    btnSize->setText(QStringLiteral("▼"));
    if (code == 11) return;
    updateParkMode();
    btnDetail->setText(QStringLiteral(">>"));
    showTelescopeName();
    // Connect the mount, then the dome, then start the loops. A mount that does not answer
    // leaves the window in the set-up layout, unconnected and without loops: the driver has
    // told the observer why and stored the set-up layout for the next start.
    if (!ConnectMount()) return;
    waitMessage_ = new WaitMessageWindow();
    waitMessage_->show();
    Wait(1000);
    // The dome connects, then finds or restores its home and switches following on when
    // DOME/Dome_Auto asks for it; a dome that fails is not used for the rest of the run.
    if (state_.dome.DomeInUse && (controller == 0 || controller == 1) && domeLoop_) {
      domeLoop_->StartUp();
      if (!state_.dome.DomeInUse) showLayout(false);
    }
    // A dome that failed to connect cannot be parked: the park button offers what is left.
    updateParkMode();
    if (waitMessage_) waitMessage_->close();
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
    showLayout(domePanel);
    setHandEnabled(false);
    btnP->setEnabled(false);
    lblRaDec[0]->clear();
    lblRaDec[1]->clear();
    lblEWF->clear();
    btnDetail->setText(QStringLiteral("<<"));
    lblTelescopeName->setText(ShortVersionText());
    LoopTimer.stop();
    DomeLoopTimer.stop();
    OneSecTimer.stop();
    Wait(500);
    // A mount that never connected is not "closed": that would stop it and write its
    // encoder log from positions never read.
    if (Telescope_ && Telescope_->isConnected()) Telescope_->cmdConnect(false);
    if (state_.dome.DomeInUse) {
      Mission(23);
      if (domeLoop_) domeLoop_->Disconnect();
    }
  }
}

bool frmMain::ConnectMount() {
  MountState& m = state_.mount;
  if (!Telescope_) {
    // No driver for the chosen family: nothing is sent anywhere, and the label says why.
    FormSizeChange(2);
    lblTelescopeName->setText(NoDriverNote(cmbTelescope->currentText()));
    return false;
  }
  const bool connected = Telescope_->cmdConnect(true);
  // Abort or Ignore to a time-out during the start-up commands gives up the link as well.
  if (connected && vb::Val(m.TelStatus[0]) == 0 && layout_ == 1) return true;
  if (layout_ != 2) FormSizeChange(2);
  return false;
}

void frmMain::btnSize_Click() {
  const int was = layout_;
  if (was == 0) FormSizeChange(11);
  else if (was == 1) FormSizeChange(10);
  // The RST-400's homing window comes with the hand layout and goes with the mini one.
  if ((was == 0 || was == 1) && Telescope_) Telescope_->ShowHomingWindow(was == 0);
}

// ---- what a driver may set in the window -----------------------------------------------------

void frmMain::SetMainLoop(bool on) {
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

void frmMain::SetPositionLabels(const QString& upper, const QString& lower) {
  lblRaDec[0]->setText(upper);
  lblRaDec[1]->setText(lower);
}

void frmMain::SetStateLamp(int bgr) { Picture1->setStyleSheet(colour(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF)); }

void frmMain::SetPierSide(const QString& text) { lblEWF->setText(text); }

void frmMain::SetAscomTelescope(const QString& text) {
  ascomTelescopeName_ = text;
  lblAscomTelescope->setStyleSheet(QString());
  lblAscomTelescope->setText(text);
  lblAscomTelescope->setToolTip(text);
  if (ascomInUse_ && layout_ != 2) showTelescopeName();
}

void frmMain::ShowBridgeError(const QString& text) {
  // Shown where the telescope's name stands, in red, until the bridge names it again; the
  // name itself is kept, so leaving the set-up layout is judged on what was chosen.
  lblAscomTelescope->setStyleSheet(QStringLiteral("color: rgb(192,0,0);"));
  lblAscomTelescope->setText(text);
  lblAscomTelescope->setToolTip(text);
  if (ascomInUse_ && layout_ != 2) {
    lblTelescopeName->setText(text.left(26));
    lblTelescopeName->setToolTip(text);
  }
}

}  // namespace orvan
