#pragma once
// The codes of the command dispatcher `Mission`. Every sequence that touches both the mount
// and the dome, or that a cooperating program may ask for, runs through it; the numbers come
// from the outside (the application link carries them as text, the planetarium link implies
// them), so they are fixed and the dispatcher still takes any 16-bit code: codes missing here
// do nothing.
#include <cstdint>

namespace orvan {

enum class MissionCode : int16_t {
  // Dome commands; their numbers are also the relay-table rows of the USB dome board.
  DomeRotateDecreasing = 21,  // towards decreasing azimuth
  DomeRotateIncreasing = 22,
  DomeStop = 23,
  SlitOpen = 24,
  SlitClose = 25,
  SlitStop = 26,
  // Sent by the planetarium link for ":TQ#" and ":T000.00#"; nothing happens.
  PlanetariumTrackingQuery = 37,
  PlanetariumTrackingRate = 40,
  // Text "on" starts the observation (and reports the status), "off" ends it and parks.
  Observation = 51,
  Stop = 52,
  Park = 54,
  StopAlso = 56,         // the cooperating program's second stop code
  DomeFollow = 57,       // text "on"/"off": DomeAutoRun
  LinkSlitOpen = 58,     // the cooperating program's slit commands, forwarded to 24-26
  LinkSlitClose = 59,
  LinkSlitStop = 60,
  Shutdown = 98,
  StatusReport = 99,     // the 10-character status word sent with link code 99
};

constexpr int16_t codeOf(MissionCode c) { return static_cast<int16_t>(c); }

// The application link's own mission request for a goto to a target text; it is answered there
// ("NG" when refused) and never reaches the dispatcher.
inline constexpr int kLinkGotoMission = 150;

}  // namespace orvan
