#pragma once
// The operation set every dome driver offers. Callers hold a `DomeDriver*` (the main window's
// `Dome`) and never know which controller family is behind it. Flags are 16-bit, -1 = true.
//
// The drivers keep the shared dome state up to date: DomeZFlag, DomeZSearching, DomeZMemory,
// DomeLatch (DomeState) and element 2 of AxisDisp/AxisOfs/AxisRev (MountState).
#include "State.h"

#include <QString>
#include <cstdint>

namespace orvan {

// Encoder count to dome azimuth, the same for every driver: (count + offset) reduced to one
// turn of |rev| counts, converted to tenths of a degree with ties to even, 0.0 .. 359.9.
// rev = 0 has no azimuth; the start-up refuses that setting, and 0.0 is returned here.
float DomeAngleFromCount(int32_t count, int32_t offset, int32_t rev);

class DomeDriver {
 public:
  explicit DomeDriver(SharedState& state) : s_(state) {}
  virtual ~DomeDriver() = default;
  DomeDriver(const DomeDriver&) = delete;
  DomeDriver& operator=(const DomeDriver&) = delete;

  // -1 connects and initialises the controller, 0 disconnects; -1 = connected / done.
  virtual Flag DomeConnect(Flag connect) = 0;
  // Reads the encoder into AxisDisp(2) and returns it.
  virtual int32_t DomeGetEnc() = 0;
  // Dome azimuth in degrees from the encoder (DomeGetEnc + AxisOfs(2)).
  float DomeGetAngle();
  // -1 towards decreasing azimuth (relay entry 21), 1 towards increasing (22), 0 stop (23).
  Flag DomeRotation(int16_t direction);
  // 1 open (24), -1 close (25), 0 stop the slit motor (26).
  Flag DomeSlit(int16_t action);
  // Whether the home is known; while a home search runs it watches for the Z mark.
  virtual Flag DomeGetZFlag() = 0;
  // Declares the home known (-1) or unknown (0), in the controller's memory too.
  virtual Flag DomeSetZflag(Flag flag) = 0;
  // Arms (-1) or ends (0) the home search.
  virtual Flag DomeZsearch(Flag flag) = 0;
  // Weather code "00", "01", "10", "11", "??" when the inputs read as no known pattern, or the
  // empty text when there is nothing to report.
  virtual QString GetSensor() = 0;
  // Not a controller operation: false for a controller without weather inputs.
  virtual bool hasWeatherInputs() const { return true; }
  // Applies a relay pattern: "1" on, "0" off, anything else unchanged, character k = output k.
  virtual void SetRelay(const QString& pattern) = 0;
  Flag DomeSetAngle(double) { return kFalse; }
  Flag DomeAutoSlew(double) { return kFalse; }

  // Not a controller operation: a text the main window shows while the dome it drives is a
  // simulation, so nobody mistakes a rehearsal for the real dome. Empty for real hardware.
  virtual QString simulationNotice() const { return {}; }
  // Not a controller operation either: false when the settings name no port for the dome
  // controller, so connecting "succeeds" with nothing behind it. The dome loop then neither
  // searches a home nor follows.
  virtual bool hasPort() const { return true; }
  // False while AxisDisp(2) holds no count read since the controller was connected or its
  // counter preset: an alignment taken from it would be stored nonsense.
  virtual bool hasCount() const { return true; }
  // Not a controller operation: false when the last DomeGetEnc got no count from the
  // controller (garbled, cut or no reply) and returned the previous one.
  virtual bool countReadLast() const { return true; }
  // Not a controller operation: true once after the driver stopped the motors on its own (a
  // line that stopped answering), so whoever drives them knows they no longer run.
  bool takeMotorsStopped() {
    const bool was = motorsStopped_;
    motorsStopped_ = false;
    return was;
  }
  // Both stop patterns (entries 23 and 26): every motor output off.
  void StopMotors();

 protected:
  SharedState& s_;
  bool motorsStopped_ = false;
};

}  // namespace orvan
