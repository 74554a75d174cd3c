// The dome picture's lines: Shape1 at left 100, top 200, 1800 twips across, so the centre is
// at (1000, 1100); diameters are 870 twips each way, marks start at the 900-twip rim.
#include "DomePicture.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace orvan;

namespace {
const DomeShape kShape{100, 200, 1800, 1800};

void expectLine(const LineEnds& l, double x1, double y1, double x2, double y2) {
  EXPECT_TRUE(l.visible);
  EXPECT_NEAR(l.x1, x1, 0.01);
  EXPECT_NEAR(l.y1, y1, 0.01);
  EXPECT_NEAR(l.x2, x2, 0.01);
  EXPECT_NEAR(l.y2, y2, 0.01);
}

TEST(DomePicture, DiametersRunThroughTheCentreWithSouthDownAndWestLeft) {
  expectLine(DomePicture::Lin(kShape, 0), 1000, 1970, 1000, 230);
  expectLine(DomePicture::Lin(kShape, 90), 130, 1100, 1870, 1100);
  // 30 degrees: sin 330 = -0.5, cos 330 = 0.866.
  expectLine(DomePicture::Lin(kShape, 30), 565, 1853.44, 1435, 346.56);
  // A negative angle is the same line as its turn-around.
  const LineEnds a = DomePicture::Lin(kShape, -30), b = DomePicture::Lin(kShape, 330);
  expectLine(a, b.x1, b.y1, b.x2, b.y2);
}

TEST(DomePicture, AnOddWidthIsHalvedWithIntegerDivision) {
  const DomeShape odd{100, 200, 1801, 1801};
  // Radius 1801 \ 2 - 30 = 870 around the centre 1000.5.
  expectLine(DomePicture::Lin(odd, 0), 1000.5, 1970.5, 1000.5, 230.5);
}

TEST(DomePicture, MarksRunInwardFromTheRimAtWholeDegrees) {
  expectLine(DomePicture::Mark(kShape, "90.0", 20), 100, 1100, 120, 1100);
  expectLine(DomePicture::Mark(kShape, "180.0", 100), 1000, 200, 1000, 300);
  // 359.9 is drawn at 359: the picture angle is 1 degree.
  const double s = std::sin(3.14159265358979 / 180), c = std::cos(3.14159265358979 / 180);
  expectLine(DomePicture::Mark(kShape, "359.9", 20), 1000 + 900 * s, 1100 + 900 * c, 1000 + 880 * s, 1100 + 880 * c);
}

TEST(DomePicture, AnEmptyCaptionHidesItsMark) {
  EXPECT_FALSE(DomePicture::Mark(kShape, QString(), 20).visible);
}

}  // namespace
