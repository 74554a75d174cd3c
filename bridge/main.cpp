// ascomconnect: the telescope bridge program. The controller starts it from the program
// folder; it answers the controller's datagrams on the loopback and drives one INDI telescope
// (server and telescope from [ASCOM] of OrvanMirel.ini beside it).
#include "Bridge.h"
#include "IniFile.h"
#include "ProgramFolder.h"
#include "TelescopeChooser.h"

#include <QApplication>
#include <cstdio>

using namespace orvan;
using namespace orvan::bridge;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  // The program folder of the controller that started it (an install names the observer's own).
  const QString ini = InProgramFolder(QStringLiteral("OrvanMirel.ini"));
  const BridgeSettings settings = ReadBridgeSettings(ini);
  Bridge bridge(settings, BridgePortsFromEnvironment());
  // A dialog where there is a screen to show it on; otherwise (offscreen, or [ASCOM]
  // ChooserDialog=0) the configured or the only telescope.
  const QString platform = QGuiApplication::platformName();
  const bool dialog = platform != u"offscreen" && platform != u"minimal" &&
                      ReadIni(ini, QStringLiteral("ASCOM"), QStringLiteral("ChooserDialog")).trimmed() != u"0";
  bridge.chooser = MakeChooser(dialog);
  if (!bridge.start()) {
    std::fprintf(stderr, "ascomconnect: the bridge's loopback port is taken (another ascomconnect?)\n");
    return 2;
  }
  return app.exec();
}
