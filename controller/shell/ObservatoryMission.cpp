// The one command dispatcher through which every sequence touching both the mount and the
// dome, or asked for by a cooperating program, is started.
#include "Observatory.h"

#include "DomeLoop.h"
#include "LinkHandMotion.h"
#include "LinkMessageCode.h"
#include "MissionCode.h"
#include "ObservatoryView.h"

namespace orvan {

void Observatory::Mission(int16_t code, const QString& text) {
  MountState& m = state_.mount;
  DomeState& d = state_.dome;
  using enum MissionCode;
  switch (static_cast<MissionCode>(code)) {
    case DomeRotateDecreasing: case DomeRotateIncreasing: case DomeStop: case SlitOpen: case SlitClose: case SlitStop:
      if (domeLoop_) domeLoop_->Mission(static_cast<MissionCode>(code));
      return;
    case Observation:
      if (text == u"on") {
        state_.planetarium.ObservationOn = kTrue;
        if (layout_ == 2) btnDetail_Click();
        Mission(StatusReport);
      } else if (text == u"off") {
        state_.planetarium.ObservationOn = kFalse;
        Mission(MissionCode::Park);
      }
      return;
    case Stop:
    case StopAlso:
      // The stop ends a device program's hand motion too: nothing is left for it to stop.
      if (linkHand_) linkHand_->forget();
      if (Telescope_) Telescope_->cmdStop();
      return;
    case MissionCode::Park:
      // Nothing to park (no park position, no dome home): the program that asked hears it at
      // once instead of waiting for a park's end that never comes.
      if (!Observatory::Park()) LinkReply(codeOf(LinkMessageCode::MissionRequest), QStringLiteral("NG"));
      return;
    case DomeFollow:
      if (text == u"on") d.DomeAutoRun = true;
      else if (text == u"off") d.DomeAutoRun = false;
      return;
    case LinkSlitOpen: Mission(SlitOpen); return;
    case LinkSlitClose: Mission(SlitClose); return;
    case LinkSlitStop: Mission(SlitStop); return;
    case Shutdown:
      stopLoops();
      if (d.DomeInUse && domeLoop_) domeLoop_->Disconnect();
      shutdownRequested_ = true;
      view_.closeWindow();
      return;
    case StatusReport: {
      QString status = QStringLiteral("0000000000");
      if (state_.planetarium.ObservationOn) status[0] = u'1';
      status[7] = u'1';
      if (m.InMissionCall) status[5] = u'1';
      LinkSend(codeOf(LinkMessageCode::Status), status);
      return;
    }
    default:
      // 0-50 (37 and 40 come from the planetarium link), 53, 61, 68-70, 97 and every other
      // code: nothing.
      return;
  }
}

bool Observatory::Park() {
  MountState& m = state_.mount;
  if (parkMode_ == 0) return false;
  bool started = false;
  m.StopRequest = kTrue;
  if (parkMode_ == 1 || parkMode_ == 3) {
    double ra = 0, dec = 0;
    acal_.HorizontalToEquatorial(state_.ParkAZ[0], state_.ParkAlt[0], ra, dec);
    const double keptRa = m.GotoRA, keptDec = m.GotoDec;
    const QString keptEpoch = m.GotoEpoch;
    m.GotoRA = ra;
    m.GotoDec = dec;
    m.GotoEpoch = QStringLiteral("EOD");
    started = Telescope_ && Telescope_->cmdGoto(ra, dec, QStringLiteral("EOD"));
    // A park goto that never started must not leave a stop asked for (the next goto the
    // observer makes would be stopped at its end as if it were the park), nor a target.
    if (!started) {
      m.StopRequest = kFalse;
      m.GotoRA = keptRa;
      m.GotoDec = keptDec;
      m.GotoEpoch = keptEpoch;
    }
  } else {
    // The dome alone parks: no mount goto will end and take the request.
    m.StopRequest = kFalse;
  }
  if (parkMode_ == 2 || parkMode_ == 3) {
    state_.dome.DomeTargetMode = 2;
    started = true;
  }
  return started;
}

void Observatory::SendLinkOk() {
  LinkSend(codeOf(LinkMessageCode::MissionRequest), QStringLiteral("OK"));
}

void Observatory::SendLinkNg() {
  LinkSend(codeOf(LinkMessageCode::MissionRequest), QStringLiteral("NG"));
}

}  // namespace orvan
