// The main loop: poll the mount, show its position in the chosen mode, finish gotos the
// drivers report as ended, send a goto that dips below the horizon round by the pole, colour
// the state lamp. Also the one-second and blink ticks.
#include "Observatory.h"

#include "Clock.h"
#include "DomeLoop.h"
#include "LinkHandMotion.h"
#include "MountCatalog.h"
#include "ObservatoryView.h"
#include "Vb.h"

#include <cmath>

namespace orvan {

namespace {
constexpr int bgr(int r, int g, int b) { return r | (g << 8) | (b << 16); }
}  // namespace

void Observatory::LoopTimer_Timer() {
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
    Mission(MissionCode::StatusReport);
    m.InMissionCall = kFalse;
  }
  // 5. The horizon detour.
  if (family_ && family_->horizonDetour) horizonDetour();
  // 6. State lamp.
  paintStateLamp();
}

void Observatory::horizonDetour() {
  // A slew that dips below the horizon is sent round by the pole. The goto being interrupted
  // is kept as the driver took it (equinox of date), because the detour's own goto replaces
  // the driver's target.
  MountState& m = state_.mount;
  const double alt = m.TelAltitude;
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

void Observatory::setDisplayMode(int mode) { displayMode_ = mode & 3; }

void Observatory::showPosition() {
  const MountState& m = state_.mount;
  const double raApp = vb::Val(m.TelStatus[TelItem::RaText]);
  const double decApp = vb::Val(m.TelStatus[TelItem::DecText]);
  switch (displayMode_) {
    case 0: {
      double ra2000 = 0, dec2000 = 0;
      acal_.PrecessRaDec(raApp, decApp, ra2000, dec2000, QStringLiteral("EOD2000"));
      view_.setPositionLabels(ACal2::FormatRaText(ra2000), ACal2::FormatDecText(dec2000));
      break;
    }
    case 1:
      view_.setPositionLabels(ACal2::FormatRaText(raApp), ACal2::FormatDecText(decApp));
      break;
    case 2: {
      // The mounts report the azimuth from the south; the display counts from the north.
      double az = m.TelAzimuthFromSouth - 180;
      if (az < 0) az += 360;
      view_.setPositionLabels(QStringLiteral("ALT ") + vb::Format(m.TelAltitude, QStringLiteral(" ##0.00°")),
                              QStringLiteral("AZ ") + vb::Format(az, QStringLiteral(" ##0.00°")));
      break;
    }
    default:
      view_.setPositionLabels(vb::ClockText(Clock::current().secondsSinceMidnight()),
                              ACal2::FormatSiderealText(acal_.LocalSiderealTime()));
      break;
  }
}

void Observatory::paintStateLamp() {
  const int s = state_.mount.TelState;
  if (s == lastShownState_) return;
  switch (s) {
    case 0:
      view_.setStateLamp(bgr(255, 128, 128));
      BlinkStop();
      break;
    case 1:
      view_.setStateLamp(bgr(192, 255, 255));
      BlinkStop();
      break;
    case 2:
      view_.setStateLamp(bgr(255, 255, 128));
      break;
    default: break;
  }
  lastShownState_ = s;
}

void Observatory::OneSecTimer_Timer() {
  // Timed slit runs end here.
  if (domeLoop_) domeLoop_->OneSecTimer_Timer();
}

void Observatory::BlinkTimer_Timer() {
  blinkPhase_ = !blinkPhase_;
  view_.setParkBlink(blinkPhase_);
}

void Observatory::BlinkStop() {
  BlinkTimer.stop();
  blinkPhase_ = false;
  view_.setParkBlink(false);
}

void Observatory::TelSlewing(int code) {
  // A goto that starts, or a hand motion or stop that ends, takes the mount over from a device
  // program's hand motion.
  if (linkHand_) linkHand_->forget();
  if (state_.dome.DomeInUse && domeLoop_) domeLoop_->TelSlewing(code);
}

}  // namespace orvan
