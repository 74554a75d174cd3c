#pragma once
// The bridge's own guard against gotos into the ground: the controller refuses a target below
// the horizon before it sends it, and the bridge refuses it again, so a datagram that got
// through by some other way cannot drive the telescope below the horizon either.
#include "ACal2.h"
#include "State.h"

#include <QString>

namespace orvan::bridge {

class Horizon {
 public:
  // The site of [Location] in the settings file (LATITUDE "+35:40:00", LONGITUDE "E139:44:20",
  // TIMEZONE hours), read as the controller reads it.
  explicit Horizon(const QString& iniPath);
  // A target of date (hours, degrees) is above the horizon now.
  bool above(double raHours, double decDeg) const;

 private:
  SiteState site_;
  MountState mount_;
  ACal2 cal_{site_, mount_};
};

}  // namespace orvan::bridge
