#pragma once
// The RST-400's homing window as its driver sees it. The window itself is a widget of the
// controller's shell (frmRST400Homing); the driver shows it during start-up and marks the
// start-up steps it has sent.
namespace orvan {

class Rst400HomingView {
 public:
  virtual ~Rst400HomingView() = default;
  // Shown without blocking (start-up, the hand layout) or hidden (the mini layout, another
  // mount chosen).
  virtual void SetShown(bool shown) = 0;
  // Closed by the program: the position is saved and a running search's watch stops.
  virtual void Unload() = 0;
  // Start-up step k (0 date and time, 1 latitude and longitude, 2 local sidereal time) has
  // been sent to the controller.
  virtual void MarkSent(int step) = 0;
};

}  // namespace orvan
