// OrvanforASCOM: the controller's telescope and dome as Alpaca devices, so that programs speaking
// Alpaca (and the ASCOM world through its remote clients) can steer the mount. It talks to the
// running controller only through its application link, never through the planetarium port,
// which stays free for a planetarium program.
//
// Settings ([ASCOM] in OrvanMirel.ini): Alpaca (1: the controller starts it), AlpacaPort
// (11111), AlpacaNetwork (0: loopback only; 1: every address, with the discovery answer on UDP
// 32227).
#include "AlpacaDome.h"
#include "AlpacaServer.h"
#include "AlpacaTelescope.h"
#include "CommandLine.h"
#include "IniFile.h"
#include "LinkClient.h"
#include "LinkWire.h"
#include "ParentProcess.h"
#include "ProgramFolder.h"

#include <QCoreApplication>
#include <cstdio>

using namespace orvan;

int main(int argc, char** argv) {
  const ProgramUsage usage{QStringLiteral("OrvanforASCOM"), QString(),
                           QStringLiteral("The controller's telescope as an Alpaca device ([ASCOM] Alpaca, AlpacaPort and\n"
                                          "AlpacaNetwork of OrvanMirel.ini). Alpaca has no authentication.")};
  if (const auto answered = TakeNoArguments(RawArguments(argc, argv), usage)) return *answered;
  // Started by the controller, it ends with it.
  if (!EndWithParent()) {
    std::fprintf(stderr, "OrvanforASCOM: the controller that started it has ended\n");
    return 1;
  }
  QCoreApplication app(argc, argv);
  const QString ini = InProgramFolder(QStringLiteral("\\OrvanMirel.ini"));
  const auto setting = [&](const char* key) {
    return ReadIni(ini, QStringLiteral("ASCOM"), QString::fromLatin1(key)).trimmed();
  };
  bool ok = false;
  int port = setting("AlpacaPort").toInt(&ok);
  if (!ok || port < 0 || port > 65535) port = 11111;
  const bool network = setting("AlpacaNetwork") == u"1";

  LinkClient link(linkwire::SocketPath(ProgramFolder()));
  AlpacaTelescope::Options options;
  options.iniPath = ini;
  // Tests shorten how long a moveaxis motion outlives the last request.
  if (const int hold = qEnvironmentVariableIntValue("ORVAN_ALPACA_HAND_HOLD_MS"); hold > 0) options.handHoldMs = hold;
  options.alignmentMode = ReadIni(ini, QStringLiteral("TELESCOPE"), QStringLiteral("Mount")).trimmed() == u"G" ? 2 : 1;
  AlpacaTelescope telescope(link, options);
  AlpacaDome dome(link);
  AlpacaServer server(telescope, dome);
  const quint16 listening = server.listen(quint16(port), network);
  if (listening == 0) {
    std::fprintf(stderr, "OrvanforASCOM: cannot listen on port %d\n", port);
    return 1;
  }
  if (network && !server.startDiscovery(listening)) std::fprintf(stderr, "OrvanforASCOM: no discovery (UDP 32227 taken)\n");
  std::printf("ready %u\n", unsigned(listening));
  std::fflush(stdout);
  return app.exec();
}
