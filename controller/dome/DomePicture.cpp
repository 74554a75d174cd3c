#include "DomePicture.h"

#include "Vb.h"

#include <cmath>

namespace orvan {

namespace {
constexpr double kPi = 3.14159265358979;

// The picture turns the angle the other way round: 360 - angle, brought into 0 .. 359.
double pictureRadians(double angle) {
  double a = std::fmod(360.0 - angle, 360.0);
  if (a < 0) a += 360.0;
  return a * kPi / 180.0;
}
}  // namespace

LineEnds DomePicture::Lin(const DomeShape& shape, double angle) {
  const double cx = shape.left + shape.width / 2;
  const double cy = shape.top + shape.height / 2;
  const double r = static_cast<double>(static_cast<long long>(std::nearbyint(shape.width)) / 2) - 30;
  const double a = pictureRadians(angle);
  LineEnds l;
  l.x1 = cx + r * std::sin(a);
  l.y1 = cy + r * std::cos(a);
  l.x2 = cx + r * std::sin(a + kPi);
  l.y2 = cy + r * std::cos(a + kPi);
  return l;
}

LineEnds DomePicture::Mark(const DomeShape& shape, const QString& caption, double length) {
  LineEnds l;
  if (caption.isEmpty()) {
    l.visible = false;
    return l;
  }
  const double cx = shape.left + shape.width / 2;
  const double cy = shape.top + shape.height / 2;
  const double r = std::nearbyint(shape.width / 2);
  const double a = pictureRadians(vb::Fix(vb::Val(caption)));
  l.x1 = cx + r * std::sin(a);
  l.y1 = cy + r * std::cos(a);
  l.x2 = cx + (r - length) * std::sin(a);
  l.y2 = cy + (r - length) * std::cos(a);
  return l;
}

}  // namespace orvan
