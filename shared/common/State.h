#pragma once
// Process-wide state of the controller. The application object owns one `SharedState` and
// hands it by reference to the drivers, the calculations and the windows; the field names are
// the names the whole system uses, so a reader can trace each value from end to end.
#include "Vb.h"

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>

namespace orvan {

// Site constants, filled by the settings load and by a planetarium program setting the site.
struct SiteState {
  int32_t SiteLongitude = 0;        // arcseconds, east positive
  int32_t SiteLatitude = 0;         // arcseconds, north positive
  double SiteLatitudeRadians = 0;   // SiteLatitude in radians
  int32_t TimeZoneSeconds = 0;      // seconds east of UT
  QString MountType;                // "G", "F" or "FS", exactly as read
};

// The items of `TelStatus` the system uses; the others stay empty. The texts are what the
// drivers have always written (the links and the logs read them); the position also exists as
// numbers in MountState.
namespace TelItem {
enum : std::size_t {
  CommFailed = 0,    // "1" once the observer answered a reply time-out with Abort or Ignore
  RaText = 2,        // TelRA as decimal text
  DecText = 3,       // TelDec as decimal text
  AzimuthText = 4,   // degrees from the south, "###0.0"
  AltitudeText = 5,  // degrees, "###0.0"
  // The E-Vexil's "ST" reply: direction ("1" forward, "2" back) and moving ("1") of each axis.
  HaAxisDirection = 6,
  HaAxisMoving = 7,
  DecAxisDirection = 8,
  DecAxisMoving = 9,
  Positioning = 10,  // "2" while the E-Vexil positions or the Temma says "s1", else "0"
  AxisLimit = 14,    // "1" at the mount type's hour-angle limit
  BelowHorizon = 15, // "1" below HorizonLimit
};
}  // namespace TelItem

// Mount state written by the drivers and read by the main window and the links.
struct MountState {
  double TelRA = 0;     // seconds of time, equinox of date
  double TelDec = 0;    // arcseconds, equinox of date
  double GotoRA = 0;
  double GotoDec = 0;
  QString GotoEpoch;    // "EOD" or "2000"
  int16_t TelState = 0; // 0 stand-by, 1 tracking, 2 slewing or moved by hand
  std::array<QString, 22> TelStatus{};  // indexed by TelItem
  // The position of TelStatus(4)/(5) as numbers, rounded to the tenth as the texts are, so
  // that readers need not parse the texts back; 0 until the first status.
  double TelAzimuthFromSouth = 0;  // degrees
  double TelAltitude = 0;          // degrees
  int32_t CommEventCode = 0;
  Flag StopRequest = kFalse;
  Flag InMissionCall = kFalse;
  int16_t SlewEndPhase = 0;
  double HorizonLimit = 0;  // degrees
  // Axis arrays: 0 hour-angle axis, 1 declination axis, 2 dome encoder.
  std::array<int32_t, 4> AxisRev{};
  std::array<int32_t, 4> AxisPos{};
  std::array<int32_t, 4> AxisOfs{};
  std::array<int32_t, 4> AxisDisp{};
  // Written by the axis transforms.
  bool TargetWestOfMeridian = false;
  bool AxisLimitPlus = false;
  bool AxisLimitMinus = false;
};

// Planetarium link state.
struct PlanetariumState {
  double TargetRA = 0;
  double TargetDec = 0;
  int16_t SkyMapEpoch = 1;  // 1 equinox of date, 2 J2000
  int16_t MoveRate = 0;
  QString TargetName;
  Flag ObservationOn = kFalse;
};

// Dome state shared by the dome loop, the drivers and the main window.
struct DomeState {
  bool DomeInUse = true;
  float DomeAngle = 0;
  float DomeTarget = 0;
  bool DomeAuto = false;     // following is off until the follow button (or Dome_Auto) turns it on
  bool DomeAutoRun = false;
  int16_t DomeMotion = 0;    // rotation last commanded: -1, 0, 1
  float DomePrevAngle = 0;   // azimuth at the previous stillness check
  int16_t DomeTargetMode = 0;
  float DomeError = 0;
  int16_t SlitState = 0;
  int16_t SlitCountdown = 0;
  Flag DomeZFlag = kFalse;
  Flag DomeZSearching = kFalse;
  uint8_t DomeZMemory = 0;   // home memory read back at connection (USB: port 2's direction code)
  int32_t DomeLatch = 0;     // counter value latched at the Z mark, subtracted from every count
  // 101 relay patterns of exactly 32 characters each.
  std::array<QString, 101> RelayTable = [] {
    std::array<QString, 101> t;
    t.fill(QString(32, u' '));
    return t;
  }();
};

// The dome settings the controller keeps after reading them (section DOME).
struct DomeSettings {
  int32_t Controller = 0;
  int32_t CommPort = 0;
  float DOME_RADIUS = 0;
  float DOME_REVOLVE = 0;
  int32_t HomePosition = 0;
  int32_t SLIT_TIMER = 0;
  float CENTER_OF_G_EW = 0;
  float CENTER_OF_G_SN = 0;
  float CENTER_OF_G_UD = 0;
  float CENTER_OF_G_COLLMATION = 0;
  bool UpDown = false;
  bool Dome_LimitSWC = false;
};

struct SharedState {
  SiteState site;
  MountState mount;
  PlanetariumState planetarium;
  DomeState dome;
  DomeSettings domeSettings;
  std::array<int32_t, 3> ParkAZ{};   // PARK/AZ in element 0
  std::array<int32_t, 3> ParkAlt{};  // PARK/Alt in element 0
  int32_t MountTypeNumber = 0;       // TELESCOPE/Telescope as read
  bool SensorFitted[2] = {false, false};
};

}  // namespace orvan
