#include "Parts.h"

namespace orvan {

MainWindowParts MakeMainWindowParts() {
  // The program's own mount drivers are the window's default; the ASCOM bridge and the
  // application link are not part of this build.
  return {};
}

}  // namespace orvan
