// ascomconnect: the telescope bridge program. The controller starts it from the program
// folder; it answers the controller's datagrams on the loopback and drives one INDI telescope
// (server and telescope from [ASCOM] of OrvanMirel.ini beside it).
#include "Bridge.h"
#include "CommandLine.h"
#include "ParentProcess.h"
#include "IniFile.h"
#include "Language.h"
#include "ProgramFolder.h"
#include "TelescopeChooser.h"

#include <QApplication>
#include <cstdio>

using namespace orvan;
using namespace orvan::bridge;

int main(int argc, char** argv) {
  const ProgramUsage usage{QStringLiteral("ascomconnect"), QString(),
                           QStringLiteral("The telescope bridge: the controller starts it and talks to it on the loopback;\n"
                                          "it drives one INDI telescope ([ASCOM] of OrvanMirel.ini).")};
  if (const auto answered = AnswerHelpOrVersion(RawArguments(argc, argv), usage)) return *answered;
  // Started by the controller, it ends with it: an orphaned bridge would steer the telescope
  // for whoever sends to its port.
  if (!EndWithParent()) {
    std::fprintf(stderr, "ascomconnect: the controller that started it has ended\n");
    return 1;
  }
  QApplication app(argc, argv);
  InstallLanguage(app);
  app.setQuitOnLastWindowClosed(false);
  if (const auto refused = TakeNoArguments(app.arguments().mid(1), usage)) return *refused;
  // The program folder of the controller that started it (an install names the observer's own).
  const QString ini = InProgramFolder(QStringLiteral("OrvanMirel.ini"));
  const BridgeSettings settings = ReadBridgeSettings(ini);
  const BridgePorts ports = BridgePortsFromEnvironment();
  // Without the controller's secret nothing it sends could be told from a stranger's.
  if (ports.secret.isEmpty()) {
    std::fprintf(stderr, "ascomconnect: no secret from the controller (the controller starts this program)\n");
    return 1;
  }
  Bridge bridge(settings, ports);
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
