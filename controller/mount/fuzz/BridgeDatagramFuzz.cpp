// Any bytes as a datagram from the bridge's port: the driver takes a position only from a
// whole "Coodinate" with two plain finite numbers in range, never crashes, and a position it
// takes is always a whole second of RA in the day and a whole arcsecond of Dec on the sky.
#include "ACal2.h"
#include "Clock.h"
#include "Prompter.h"
#include "RecordingMountHost.h"
#include "State.h"
#include "frmASCOM.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace orvan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int argc = 1;
  static char arg0[] = "bridge_datagram_fuzz";
  static char* argv[] = {arg0, nullptr};
  static QCoreApplication app(argc, argv);
  static ManualClock clock(QDate(2026, 7, 12), 75600);
  static ScopedClock scopedClock(clock);
  static ScriptedPrompter prompter;
  static ScopedPrompter scopedPrompter(prompter);
  static QTemporaryDir dir;
  static SharedState state;
  static RecordingMountHost host;
  static ACal2 cal(state.site, state.mount);
  // Port 0: the socket binds wherever it can; the datagrams are handed over directly, sealed
  // with the run's secret as the bridge seals them (a datagram without it goes no further).
  static const QByteArray secret(kBridgeSecretBytes, 's');
  static frmASCOM driver(state, host, cal, dir.filePath("OrvanMirel.ini"), BridgePorts{0, 3011, secret});
  state.mount.TelRA = -1;
  state.mount.TelDec = -1;
  const QByteArray d(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  driver.TakeDatagram(SealBridgeDatagram(secret, d), QHostAddress::LocalHost, 3011);
  const double ra = state.mount.TelRA, dec = state.mount.TelDec;
  if (ra != -1 || dec != -1) {
    if (!(ra >= 0 && ra < 86400 && ra == std::floor(ra))) std::abort();
    if (!(dec >= -324000 && dec <= 324000 && dec == std::floor(dec))) std::abort();
  }
  driver.cmdStatus();
  return 0;
}
