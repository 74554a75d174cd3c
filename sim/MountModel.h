#pragma once
// A simulated equatorial mount: its clock and site as the controller set them, the sky
// position it points at (tracking keeps right ascension fixed), slews at a set rate with a
// short settle, hand moves at the chosen rate, and the horizon test a goto must pass.
// Units: right ascension seconds of time, declination arcseconds (equinox of date).
#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <array>

namespace orvan::sim {

class MountModel {
 public:
  struct Config {
    double slewDegPerSec = 4.0;  // fastest rate, both axes
    double settleSec = 0.5;      // after arriving, still "slewing" this long
    double startDelaySec = 0;    // a goto starts moving this long after it was taken
    bool holdsTarget = false;    // the controller keeps the target it holds: new ones are ignored
  };
  enum class Rate { Guide, Center, Find, Slew };

  explicit MountModel(Config config);

  // Site and time as an LX200 keeps them.
  void setWestLongitude(double degrees) { westLongitude_ = degrees; }
  void setLatitude(double degrees) { latitude_ = degrees; }
  void setUtcOffset(double hours) { utcOffset_ = hours; }  // hours to add to local for UT
  void setLocalTime(int secondsOfDay);
  void setLocalDate(const QDate& date);
  double westLongitude() const { return westLongitude_; }
  double latitude() const { return latitude_; }
  double utcOffset() const { return utcOffset_; }
  QDateTime localNow() const;  // naive local date and time of the mount
  double localSiderealSeconds() const;
  // The sidereal time the controller was told; the clock keeps running from it.
  void setLocalSiderealSeconds(double seconds);
  // Altitude (degrees) and azimuth (degrees from north through east) of a position now.
  double altitudeOf(double ra, double dec) const;
  double azimuthOf(double ra, double dec) const;

  // Position, brought up to now.
  double ra();
  double dec();
  bool slewing();  // moving to a target or settling
  bool moving();   // any motion, slews and hand moves
  double targetRa() const { return targetRa_; }
  double targetDec() const { return targetDec_; }
  void setTarget(double ra, double dec) {
    if (config_.holdsTarget) return;
    targetRa_ = ra;
    targetDec_ = dec;
  }

  // Starts the slew to the target; false when the target is below the horizon.
  bool gotoTarget();
  // The mount now believes it points at the target.
  void syncToTarget();
  void setPosition(double ra, double dec);

  // Tracking off (stand-by): the tube stays fixed against the ground, so the sky drifts by
  // and the right ascension it points at grows at the sidereal rate.
  void setTracking(bool on);
  bool tracking() const { return tracking_; }

  void setRate(Rate r) { rate_ = r; }
  Rate rate() const { return rate_; }
  // Hand moves: 'n', 's', 'e', 'w'.
  void startMove(char direction);
  void stopMove(char direction);
  void stopAll();

 private:
  void update();
  double rateArcsecPerSec() const;

  Config config_;
  QElapsedTimer clock_;
  qint64 lastMs_ = 0;
  qint64 localOffsetMs_ = 0;
  double siderealOffset_ = 0;  // seconds of time added to the computed sidereal time
  bool tracking_ = true;
  double westLongitude_ = 0, latitude_ = 0, utcOffset_ = 0;
  double ra_ = 0, dec_ = 0, targetRa_ = 0, targetDec_ = 0;
  bool slewing_ = false;
  qint64 settleUntilMs_ = -1;
  qint64 startAtMs_ = 0;  // a slew taken stands still until then
  Rate rate_ = Rate::Slew;
  std::array<bool, 4> moving_{};  // n s e w
};

}  // namespace orvan::sim
