#pragma once
// What a mount family does differently from the others whatever carries its commands (a
// serial port or the bridge's datagrams). One row per family; the serial families add their
// port row on top (SerialFamily).
#include <QString>

namespace orvan {

struct MountTraits {
  QString name;  // "LX200", "RST400", "E-Vexil", "Temma", "ASCOM"
  // The slew-completion watch: 0 = the family has none (the controller reports the end of a
  // goto itself); otherwise a goto has settled when two readings a second apart differ by less
  // than this many seconds of RA and arcseconds of Dec (or by at most this much when inclusive).
  double slewWatchLimit = 0;
  bool slewWatchInclusive = false;
  // A goto has reached its target when the position read is within this many seconds of RA
  // and arcseconds of Dec of it (the coarsest position the family reports, at least).
  double arrivalTolerance = 10;
  // A goto whose mount has not been seen moving (nor reached its target) is not over before
  // this many seconds: controllers start a slew a few seconds after taking it. A mount that
  // never moves at all is let go after it.
  double slewStartSeconds = 10;
  // The approach delay after a goto whose hour axis travelled negatively only counts when the
  // observer switched backlash handling on.
  bool approachNeedsBacklash = false;
  // The axis counts are worked out from the sky position the mount reports, so they are
  // already absolute: the encoder log is the whole offset (these families log 0). Otherwise
  // the mount counts from where it was switched on, and the offset carries the logged counts
  // over from the position read at connecting.
  bool axisCountsFromSky = false;
  // The encoder log is written on closing even after communication failed (the controller's
  // counts are the only record of where the mount stands).
  bool alwaysWriteEncoderLog = false;
};

}  // namespace orvan
