#include "ACal2.h"

// Stub bodies: the interface is fixed, the implementation follows.
namespace orvan {

ACal2::ACal2(SiteState& site, MountState& mount) : site_(site), mount_(mount) {}

int32_t ACal2::LocalSiderealTime() const { return 0; }
double ACal2::JulianDateFromText(const QString&) { return 0; }
void ACal2::PrecessRaDec(double ra, double dec, double& raOut, double& decOut,
                         const QString&) const {
  raOut = ra;
  decOut = dec;
}
bool ACal2::EquatorialToHorizontal(double, double, double& azOut, double& altOut) const {
  azOut = 0;
  altOut = 0;
  return false;
}
void ACal2::HorizontalToEquatorial(double, double, double& raOut, double& decOut) const {
  raOut = 0;
  decOut = 0;
}
bool ACal2::TargetToAxisCounts(double, double, int32_t& target1, int32_t& target2,
                               int32_t& move1, int32_t& move2) const {
  target1 = target2 = move1 = move2 = 0;
  return false;
}
void ACal2::TargetToAxisPosition(double, double, int32_t& counts1, int32_t& counts2) const {
  counts1 = counts2 = 0;
}
void ACal2::AxisCountsToEquatorial() {}
double ACal2::FullCircleArctan(double, double) { return 0; }
double ACal2::ArcSine(double) { return 0; }
QString ACal2::FormatRaText(double) { return {}; }
QString ACal2::FormatSiderealText(double) { return {}; }
QString ACal2::FormatDecText(double) { return {}; }
bool ACal2::ParseTargetText(const QString&, double& raOut, double& decOut) const {
  raOut = 0;
  decOut = 0;
  return false;
}

}  // namespace orvan
