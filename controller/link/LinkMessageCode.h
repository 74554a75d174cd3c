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
};

constexpr int16_t codeOf(LinkMessageCode c) { return static_cast<int16_t>(c); }

}  // namespace orvan
