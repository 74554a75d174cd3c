#pragma once
// The application's choice of drivers, links and dome logic for the main window.
#include "frmMain.h"

namespace orvan {
MainWindowParts MakeMainWindowParts();
}
