#pragma once
// The message codes of the application link with the cooperating observatory program (a
// message is a code and a text). Not to be confused with the mission codes the text of a
// `MissionRequest` carries (MissionCode.h).
#include <cstdint>

namespace orvan {

enum class LinkMessageCode : int16_t {
  MissionRequest = 2,  // in: "code,n,n,target,name"; out: "OK" or "NG" at a goto's end
  PositionQuery = 89,  // in: answered with Position
  Sync = 90,           // in: "ra,dec"; as an answer, "Utility" from a running utility
  Position = 91,       // out: the J2000 position as "ra,dec"
  Status = 99,         // out: the status word of mission 99
  // For the device programs (Alpaca, INDI); the dome's own codes 120-126 are in DomeWire.h.
  MountQuery = 127,    // in: answered with MountState to the asking program alone
  MountState = 128,    // out: "TelState,local sidereal time in seconds of time,1 when the park button has something
                       //       to park,side of the pier,slow,middle,fast" (the side "E", "W", or "-" when the family
                       //       does not know it; the hand rates in degrees per second, "-" for one not offered)
  SyncAsk = 129,       // in: "ra,dec" as Sync, answered with SyncAnswer to the asking program alone
  SyncAnswer = 130,    // out: "OK", or "NG,<reason>" when the controller refused the sync
  HandMove = 131,      // in: "axis,speed", hand motion (LinkHandMotion.h), answered with HandMoveAnswer alone
  HandMoveAnswer = 132,  // out: "OK", or "NG,<reason>"
};

constexpr int16_t codeOf(LinkMessageCode c) { return static_cast<int16_t>(c); }

}  // namespace orvan
