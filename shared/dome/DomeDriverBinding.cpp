#include "DomeDriverBinding.h"

#include "FrmOrvanOS.h"
#include "Prompter.h"

namespace orvan {

Flag UnconnectedDomeDriver::DomeConnect(Flag connect) {
  if (connect == kFalse) return kTrue;
  Prompter::current().ask(QStringLiteral("ドームコントローラ接続エラー"),
                          QStringLiteral("シリアルドームコントローラのドライバがありません\nドームを使わずに続けます"),
                          Buttons::Ok, Icon::Critical);
  return kFalse;
}

BoundDome BindDomeDriver(int controller, SharedState& state, const QString& programFolder,
                         const QString& iniPath, std::unique_ptr<Epx30sc> board) {
  BoundDome bound;
  switch (controller) {
    case 0:
      bound.board = board ? std::move(board) : OpenBoardLibrary(programFolder, iniPath);
      bound.driver = std::make_unique<FrmOrvanOS>(state, *bound.board, iniPath);
      break;
    case 1:
    case 2:
      bound.driver = std::make_unique<UnconnectedDomeDriver>(state);
      break;
    default:
      break;
  }
  return bound;
}

}  // namespace orvan
