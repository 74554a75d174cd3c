#include "DomeDriverBinding.h"

#include "FrmOrvanOS.h"

namespace orvan {

BoundDome BindDomeDriver(int controller, SharedState& state, const QString& programFolder,
                         const QString& iniPath, std::unique_ptr<Epx30sc> board, QuarnHost quarn,
                         std::unique_ptr<SerialLink> link) {
  BoundDome bound;
  switch (controller) {
    case 0:
      bound.board = board ? std::move(board) : OpenBoardLibrary(programFolder, iniPath);
      bound.driver = std::make_unique<FrmOrvanOS>(state, *bound.board, iniPath);
      break;
    case 1:
    case 2:
      bound.driver = std::make_unique<FrmQuarn>(state, iniPath, std::move(quarn), std::move(link), programFolder);
      break;
    default:
      break;
  }
  return bound;
}

}  // namespace orvan
