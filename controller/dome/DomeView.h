#pragma once
// What the dome logic shows on the main window. The window implements it with its controls
// (names in the comments); the logic never touches a widget.
#include "DomePicture.h"

#include <QString>

namespace orvan {

// Indicator colours: red 255 = active, RGB(64, 64, 64) = idle, RGB(128, 255, 128) = the slit
// has run its full time.
enum class Lamp { Active, Idle, Done };
struct Rgb {
  int r, g, b;
};
constexpr Rgb LampColour(Lamp lamp) {
  return lamp == Lamp::Active ? Rgb{255, 0, 0} : lamp == Lamp::Idle ? Rgb{64, 64, 64} : Rgb{128, 255, 128};
}

class DomeView {
 public:
  virtual ~DomeView() = default;
  // lblDomeAZ(0) dome azimuth, lblDomeAZ(1) target azimuth ("#0.0").
  virtual void setDomeAzimuthCaption(int index, const QString& caption) = 0;
  // picDomeLR(0) decreasing, (1) increasing, (2) follow.
  virtual void setRotationLamp(int index, Lamp lamp) = 0;
  // picDomeSlit(0) open, (1) close.
  virtual void setSlitLamp(int index, Lamp lamp) = 0;
  // lblHOT(0) visible when the home is known, lblHOT(1) when it is missing.
  virtual void showHomeFound(bool found) = 0;
  // Label3: the home-search notice, placed at left 975, top 210 twips when shown.
  virtual void showHomeSearchNotice(bool visible, const QString& text) = 0;
  // Frame1(3) and Frame1(4), the dome panels.
  virtual void setDomePanelsEnabled(bool enabled) = 0;
  // The "starting, please wait" window must not hide the home-search question.
  virtual void closeStartupWaitWindow() = 0;
  // Shape1 and the lines drawn on it: Line1(0..5) grey diameters, Line2(0) dome, (1) target.
  virtual DomeShape domeShape() const = 0;
  virtual void placeReferenceLine(int index, const LineEnds& line) = 0;
  virtual void placeDomeMark(int index, const LineEnds& line) = 0;
  // A weather code read from the dome controller, one character a sensor (power failure, then
  // rain or snow): "0" clear, "1" alarm, "?" unknown, "-" not fitted.
  virtual void reportWeather(const QString& code) = 0;
};

}  // namespace orvan
