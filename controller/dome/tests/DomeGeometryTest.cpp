// Where the slit must be: the azimuth at which the optical axis leaves the dome, and the
// folded pointing error. Expected azimuths for a mount at the dome centre come from the
// textbook hour-angle formula, tan A = sin H / (cos H sin phi - tan dec cos phi), azimuth from
// the south through the west; the offset case is the worked figure of the mount's manual.
#include "DomeGeometry.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace orvan;

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

// One count per second of time and per arcsecond, latitude 35 degrees, nothing off centre.
DomeGeometry centred() {
  DomeGeometry g;
  g.rev0 = 86400;
  g.rev1 = 1296000;
  g.SiteLatitude = 35 * 3600;
  g.DOME_RADIUS = 1;
  return g;
}

double textbookAzimuth(double hourAngleHours, double decDegrees, double latDegrees) {
  const double H = hourAngleHours * 15 * kDeg, d = decDegrees * kDeg, p = latDegrees * kDeg;
  double A = std::atan2(std::sin(H), std::cos(H) * std::sin(p) - std::tan(d) * std::cos(p)) / kDeg;
  return A < 0 ? A + 360 : A;
}

float slave(const DomeGeometry& g, double hourAngleHours, double decDegrees) {
  float az = -1;
  EXPECT_TRUE(DomeSlaveAzimuth(g, static_cast<int32_t>(hourAngleHours * 3600), static_cast<int32_t>(decDegrees * 3600), az));
  return az;
}

TEST(DomeSlaveAzimuth, MountAtTheCentrePointsTheSlitAlongTheTelescope) {
  const DomeGeometry g = centred();
  EXPECT_NEAR(slave(g, -3, 0), 299.84, 0.005);
  EXPECT_NEAR(slave(g, 3, 0), 60.16, 0.005);
  EXPECT_NEAR(slave(g, -3, 0), textbookAzimuth(-3, 0, 35), 1e-4);
  EXPECT_NEAR(slave(g, 2, 40), textbookAzimuth(2, 40, 35), 1e-4);
  EXPECT_NEAR(slave(g, -5, -10), textbookAzimuth(-5, -10, 35), 1e-4);
  EXPECT_NEAR(slave(g, -6, 0), 270.0, 1e-4);  // east
  EXPECT_NEAR(slave(g, 0, 80), 180.0, 1e-4);  // north of the zenith
}

TEST(DomeSlaveAzimuth, DueSouthLandsAHairBelow360) {
  // The rounded pi/2 leaves the result a fraction of a nanodegree short of a full turn,
  // which single precision shows as 360.0, not 0.0.
  EXPECT_EQ(slave(centred(), 0, -30), 360.0f);
}

TEST(DomeSlaveAzimuth, PivotOffsetsMoveTheSlit) {
  DomeGeometry g = centred();
  g.DOME_RADIUS = 2.5f;
  g.CENTER_OF_G_EW = 0.3f;
  g.CENTER_OF_G_UD = 0.2f;
  g.CENTER_OF_G_COLLMATION = 0.5f;
  EXPECT_NEAR(slave(g, -3, 0), 286.94, 0.01);
}

TEST(DomeSlaveAzimuth, OnlyTheMagnitudeOfTheCountsPerTurnMatters) {
  DomeGeometry g = centred();
  g.rev0 = -86400;
  g.rev1 = -1296000;
  EXPECT_NEAR(slave(g, -3, 0), 299.84, 0.005);
}

TEST(DomeSlaveAzimuth, NoAnswerKeepsThePreviousTarget) {
  float az = 123.0f;
  DomeGeometry g = centred();
  g.DOME_RADIUS = 0;
  EXPECT_FALSE(DomeSlaveAzimuth(g, -10800, 0, az));
  g = centred();
  g.rev0 = 0;
  EXPECT_FALSE(DomeSlaveAzimuth(g, -10800, 0, az));
  g = centred();
  g.rev1 = 0;
  EXPECT_FALSE(DomeSlaveAzimuth(g, -10800, 0, az));
  EXPECT_EQ(az, 123.0f);
}

TEST(DomeSlaveAzimuth, ATelescopeBelowTheHorizonStillGivesAnAzimuth) {
  float az = -1;
  // Hour angle 12 h, declination 0 at latitude 35: 55 degrees below the northern horizon.
  ASSERT_TRUE(DomeSlaveAzimuth(centred(), 43200, 0, az));
  EXPECT_GE(az, 0.0f);
  EXPECT_LE(az, 360.0f);
}

TEST(DomeAngleError, FoldsIntoHalfATurnEitherWay) {
  EXPECT_FLOAT_EQ(DomeAngleError(359.0f, 1.0f), -2.0f);
  EXPECT_FLOAT_EQ(DomeAngleError(1.0f, 359.0f), 2.0f);
  EXPECT_FLOAT_EQ(DomeAngleError(1.0f, 181.0f), -180.0f);
  EXPECT_FLOAT_EQ(DomeAngleError(181.0f, 1.0f), -180.0f);  // +180 folds to -180
  EXPECT_FLOAT_EQ(DomeAngleError(180.9f, 1.0f), 179.9f);
  EXPECT_FLOAT_EQ(DomeAngleError(10.0f, 10.0f), 0.0f);
  EXPECT_FLOAT_EQ(DomeAngleError(0.0f, 360.0f), 0.0f);
}

}  // namespace
