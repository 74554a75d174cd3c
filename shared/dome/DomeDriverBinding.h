#pragma once
// Which dome driver the programs bind from DOME/Controller:
//   0  frmOrvanOS on the USB board (on this system always the simulated board),
//   1  the serial dome controller, 2  no dome: both get a driver that is never connected
//      until the serial driver exists (asking it to connect fails with a message),
//   any other value binds none.
#include "DomeDriver.h"
#include "Epx30sc.h"

#include <memory>

namespace orvan {

// Stands in where no working driver exists: it never connects and never touches hardware.
class UnconnectedDomeDriver final : public DomeDriver {
 public:
  using DomeDriver::DomeDriver;
  Flag DomeConnect(Flag connect) override;
  int32_t DomeGetEnc() override { return s_.mount.AxisDisp[2]; }
  Flag DomeGetZFlag() override { return s_.dome.DomeZFlag; }
  Flag DomeSetZflag(Flag) override { return kFalse; }
  Flag DomeZsearch(Flag flag) override { s_.dome.DomeZSearching = flag; return kFalse; }
  QString GetSensor() override { return {}; }
  void SetRelay(const QString&) override {}
};

struct BoundDome {
  std::unique_ptr<Epx30sc> board;      // only for controller 0
  std::unique_ptr<DomeDriver> driver;  // null when the value names no driver
};

// `board` replaces the board library (tests); null opens the program folder's board.
BoundDome BindDomeDriver(int controller, SharedState& state, const QString& programFolder,
                         const QString& iniPath, std::unique_ptr<Epx30sc> board = nullptr);

}  // namespace orvan
