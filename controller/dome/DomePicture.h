#pragma once
// The dome picture on the main window: a circle (Shape1) with six grey reference diameters
// (Line1 0..5) and two radial marks from the rim, a short one for the dome's azimuth (Line2
// index 0) and a long one for the target (index 1). Coordinates are twips; south is at the
// bottom and west at the left, as seen on the window.
#include <QString>

namespace orvan {

struct DomeShape {
  double left = 0, top = 0, width = 0, height = 0;  // Shape1, twips
};

struct LineEnds {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool visible = true;
};

class DomePicture {
 public:
  // The reference diameters: Lin(0,0), Lin(90,1), Lin(30,2), Lin(60,3), Lin(-30,4), Lin(-60,5).
  static constexpr int kReferenceAngles[6] = {0, 90, 30, 60, -30, -60};
  static constexpr double kDomeMarkLength = 20;    // twips
  static constexpr double kTargetMarkLength = 100; // twips

  // A diameter at `angle` degrees, 30 twips inside the rim.
  static LineEnds Lin(const DomeShape& shape, double angle);
  // A radial mark for a caption of lblDomeAZ (dome or target): hidden when the caption is
  // empty, else from the rim towards the centre at the caption's whole degrees.
  static LineEnds Mark(const DomeShape& shape, const QString& caption, double length);
};

}  // namespace orvan
