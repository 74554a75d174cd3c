#include "DomeLinkRequests.h"

#include "DomeLoop.h"
#include "DomeWire.h"
#include "MissionCode.h"

#include <cmath>

namespace orvan {

DomeLinkRequests::DomeLinkRequests(SharedState& state, std::function<DomeLoop*()> loop, Reply reply)
    : s_(state), loop_(std::move(loop)), reply_(std::move(reply)) {}

bool DomeLinkRequests::message(int16_t code, const QString& text) {
  using namespace domewire;
  DomeLoop* loop = loop_ ? loop_() : nullptr;
  const bool ready = loop && s_.dome.DomeInUse && loop->connected();
  switch (code) {
    case kAskState:
      break;
    case kTurnTo: {
      const auto az = ParseAzimuth(text);
      if (!az) return false;
      if (ready) loop->TurnTo(static_cast<float>(ToSouth(*az)));
      break;
    }
    case kStop:
      if (ready) loop->StopTurning();
      break;
    case kFollow:
      if (text != u"1" && text != u"0") return false;
      if (ready) loop->SetFollowing(text == u"1");
      break;
    case kSlit:
      if (text != u"1" && text != u"-1" && text != u"0") return false;
      if (ready)
        loop->Mission(codeOf(text == u"1"    ? MissionCode::SlitOpen
                             : text == u"-1" ? MissionCode::SlitClose
                                             : MissionCode::SlitStop));
      break;
    case kPark:
      if (ready && s_.domeSettings.HomePosition >= 0) loop->TurnTo(static_cast<float>(s_.domeSettings.HomePosition));
      break;
    default:
      return false;
  }
  reply_(kState, status());
  return true;
}

QString DomeLinkRequests::status() const {
  using namespace domewire;
  const DomeLoop* loop = loop_ ? loop_() : nullptr;
  const DomeState& d = s_.dome;
  Status st;
  st.connected = loop && d.DomeInUse && loop->connected();
  if (st.connected && d.DomeZFlag != kFalse && !loop->countsLost()) st.azimuth = FromSouth(d.DomeAngle);
  st.slewing = st.connected && (d.DomeMotion != 0 || loop->turning());
  st.slit = d.SlitState;
  st.following = d.DomeAuto;
  if (d.DomeInUse && s_.domeSettings.HomePosition >= 0) {
    st.parkAzimuth = FromSouth(s_.domeSettings.HomePosition);
    st.atPark = st.azimuth && !st.slewing &&
                std::fabs(std::remainder(*st.azimuth - *st.parkAzimuth, 360.0)) <= s_.domeSettings.DOME_REVOLVE;
  }
  return Format(st);
}

}  // namespace orvan
