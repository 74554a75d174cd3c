// OrvanforASCOM: the controller's telescope as an Alpaca device, so that programs speaking
// Alpaca (and the ASCOM world through its remote clients) can steer the mount. It talks to the
// running controller only through its application link, never through the planetarium port,
// which stays free for a planetarium program.
//
// Settings ([ASCOM] in OrvanMirel.ini): AlpacaPort (11111), AlpacaNetwork (0: loopback only;
// 1: every address, with the discovery answer on UDP 32227).
#include "ACal2.h"
#include "AlpacaServer.h"
#include "AlpacaTelescope.h"
#include "IniFile.h"
#include "LinkClient.h"
#include "LinkWire.h"
#include "ProgramFolder.h"
#include "State.h"

#include <QCoreApplication>
#include <cstdio>

using namespace orvan;

int main(int argc, char** argv) {
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
  SiteState site;
  MountState mount;
  ACal2 cal(site, mount);
  AlpacaTelescope::Options options;
  options.alignmentMode = ReadIni(ini, QStringLiteral("TELESCOPE"), QStringLiteral("Mount")).trimmed() == u"G" ? 2 : 1;
  options.syncOfDate = [ini] { return ReadIni(ini, QStringLiteral("SkyMap"), QStringLiteral("EPOCH")).trimmed() != u"2000"; };
  options.toDate = [&cal](double ra, double dec, double& raOut, double& decOut) {
    cal.PrecessRaDec(ra, dec, raOut, decOut, QStringLiteral("2000EOD"));
  };
  AlpacaTelescope telescope(link, options);
  AlpacaServer server(telescope);
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
