#pragma once
// A simulated E-Vexil two-axis stepping-motor controller. It knows nothing of the sky: each
// axis (1 the hour axis "RA", 2 the declination axis "DC") has a signed 32-bit step counter
// that wraps like the hardware's, and the controller runs, positions and tracks in counts.
// Every command ends with a carriage return and gets exactly one reply line ending with one:
// queries answer their two letters, '=' and the values ("GP=0000A000,FFFFF000"), set and
// motion commands "OK", and anything else "?" without acting on it.
//
// Tracking and motion on the hour axis: the axis has one motor, so while it runs or positions
// tracking pauses, and it resumes the moment the axis stands again (if still switched on).
// A positioning move therefore ends exactly n counts from where it started; tracking adds
// its counts only before and after it.
#include "SimDevice.h"

#include <QElapsedTimer>
#include <array>
#include <cstdint>

namespace orvan::sim {

class EVexilDevice final : public SimDevice {
 public:
  struct Config {
    uint32_t rev1 = 1296000, rev2 = 1296000;  // counts per turn of each axis
    double slewDegPerSec = 4;                 // speed 4, the positioning speed
    bool newFirmware = true;                  // older controllers know neither "SL" nor "VR"
    bool jp5 = false;                         // jumper JP5 on: the sidereal frequency is write-protected
    double startDelaySec = 0;                 // a positioning move starts this long after it was taken ("I" meanwhile)
    int lostMoveReplies = 0;                  // the first positioning moves are made, but their "OK" is lost
  };
  explicit EVexilDevice(Config config);

  void receive(const QByteArray& bytes) override;
  QString stateText() override;
  QByteArray replyEnding() const override { return QByteArrayLiteral("\r"); }

 private:
  enum class Motion { Idle, Run, Position };
  // What an axis does since `sinceMs`: `rate` counts per second (signed; 0 standing), for a
  // positioning move at most `limit` counts, ending at `untilMs`.
  struct Axis {
    Motion motion = Motion::Idle;
    char dir = 'F';
    int speed = 0;
    uint32_t base = 0;
    qint64 sinceMs = 0;
    double rate = 0;
    qint64 limit = -1;
    qint64 untilMs = 0;
    bool tracking = false;  // this stretch is sidereal tracking
  };

  QByteArray letters(const Axis& a) const;
  int32_t counterAt(int k, qint64 atMs) const;
  QByteArray execute(const QByteArray& cmd);
  QByteArray motion(const QByteArray& cmd);
  QByteArray write(const QByteArray& cmd);
  qint64 travelled(const Axis& a, qint64 atMs) const;
  void advance();                  // ends positioning moves whose time is up
  void fold(int k, qint64 atMs);   // the counter up to `atMs` becomes the new base
  void begin(int k, Motion m, char dir, int speed, qint64 limit, qint64 atMs);
  void stand(int k, qint64 atMs);  // idle, tracking if it is on for this axis
  void setTracking(bool on);
  void resetCounters();
  double speedRate(int k, int speed) const;
  double trackRate() const { return siderealFreq_ / 86164.0905; }
  uint32_t rev(int k) const { return k == 0 ? cfg_.rev1 : cfg_.rev2; }

  Config cfg_;
  QElapsedTimer clock_;
  std::array<Axis, 2> axes_{};
  bool tracking_ = false;
  uint32_t siderealFreq_;       // counts per sidereal day of the hour axis ("RD&")
  qint64 tracked_ = 0;          // counts tracking has added to axis 1, for the state line
  std::array<int, 2> pa_{8, 8}; // slow-down counts in units of 256
  std::array<int, 2> sl_{2, 2};
  int unknown_ = 0;             // commands answered "?"
  QByteArray pending_;
  bool overflow_ = false;       // a line too long to be a command is being dropped
};

}  // namespace orvan::sim
