// Encoder count to dome azimuth: one turn of |ENC3_PULSES| counts, tenths of a degree with
// ties to even, always 0.0 .. 359.9.
#include "DomeDriver.h"

#include <gtest/gtest.h>

using orvan::DomeAngleFromCount;

TEST(DomeAngle, NegativeCountsWrapBelowZero) {
  // 36000 counts a turn: -100 counts are -1.0 degree, shown as 359.0.
  EXPECT_FLOAT_EQ(DomeAngleFromCount(-100, 0, 36000), 359.0f);
  // The offset is added before the reduction: 50 + (-150) = -100 again.
  EXPECT_FLOAT_EQ(DomeAngleFromCount(50, -150, 36000), 359.0f);
  EXPECT_FLOAT_EQ(DomeAngleFromCount(-36000 * 2 - 9000, 0, 36000), 270.0f);
}

TEST(DomeAngle, CountsBeyondOneTurnReduce) {
  EXPECT_FLOAT_EQ(DomeAngleFromCount(36000 * 3 + 4500, 0, 36000), 45.0f);
  EXPECT_FLOAT_EQ(DomeAngleFromCount(36000, 0, 36000), 0.0f);
}

TEST(DomeAngle, TenthsRoundHalfToEvenAndNeverReach360) {
  // 7200 counts a turn: 7199 counts are 3599.5 tenths, rounded to 3600: 0.0, not 360.0.
  EXPECT_FLOAT_EQ(DomeAngleFromCount(7199, 0, 7200), 0.0f);
  // 7197 counts: 3598.5 tenths, the even neighbour is 3598.
  EXPECT_FLOAT_EQ(DomeAngleFromCount(7197, 0, 7200), 359.8f);
  // 1 count: 0.5 tenths rounds to 0; 3 counts: 1.5 rounds to 2.
  EXPECT_FLOAT_EQ(DomeAngleFromCount(1, 0, 7200), 0.0f);
  EXPECT_FLOAT_EQ(DomeAngleFromCount(3, 0, 7200), 0.2f);
}

TEST(DomeAngle, OnlyTheMagnitudeOfThePulseCountMatters) {
  EXPECT_FLOAT_EQ(DomeAngleFromCount(9000, 0, -36000), 90.0f);
}

TEST(DomeAngle, ZeroPulsesGiveZeroInsteadOfDividing) {
  EXPECT_FLOAT_EQ(DomeAngleFromCount(1234, 5, 0), 0.0f);
}

TEST(DomeAngle, ExtremeCountsStayInRange) {
  // 4 294 967 294 counts, 294 past a whole number of 1000-count turns: 105.84 degrees.
  EXPECT_FLOAT_EQ(DomeAngleFromCount(INT32_MAX, INT32_MAX, 1000), 105.8f);
}
