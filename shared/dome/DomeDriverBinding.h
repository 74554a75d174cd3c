#pragma once
// Which dome driver the programs bind from DOME/Controller:
//   0  frmOrvanOS on the USB board (on this system always the simulated board),
//   1  frmQuarn, the serial dome controller on DOME/CommPort,
//   2  no dome: frmQuarn is bound but never connected,
//   any other value binds none.
#include "DomeDriver.h"
#include "Epx30sc.h"
#include "FrmQuarn.h"

#include <memory>

namespace orvan {

struct BoundDome {
  std::unique_ptr<Epx30sc> board;      // only for controller 0
  std::unique_ptr<DomeDriver> driver;  // null when the value names no driver
};

// `board` replaces the board library (tests); null opens the program folder's board.
// `quarn` says what the serial driver does on Abort; `link` replaces its port (tests).
BoundDome BindDomeDriver(int controller, SharedState& state, const QString& programFolder,
                         const QString& iniPath, std::unique_ptr<Epx30sc> board = nullptr,
                         QuarnHost quarn = {}, std::unique_ptr<SerialLink> link = nullptr);

}  // namespace orvan
