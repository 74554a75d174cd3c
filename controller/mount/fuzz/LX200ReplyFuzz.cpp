// Any bytes as the mount's answer to the status queries, in both LX200 models, the RST-400's
// extended form, the E-Vexil's counters and motion state, and the Temma's position: the driver takes a position only from a whole, well-formed reply,
// keeps the last one otherwise, and never crashes or hangs.
#include "ACal2.h"
#include "Clock.h"
#include "FakeSerialLink.h"
#include "Prompter.h"
#include "RecordingMountHost.h"
#include "frmLX200.h"
#include "frmEVexil.h"
#include "frmRST400.h"
#include "frmTemma2M.h"

#include <QCoreApplication>
#include <cmath>
#include <cstddef>
#include <cstdint>

using namespace orvan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int argc = 1;
  static char arg0[] = "lx200_reply_fuzz";
  static char* argv[] = {arg0, nullptr};
  static QCoreApplication app(argc, argv);
  static ManualClock clock(QDate(2026, 7, 12), 75600);
  static ScopedClock scopedClock(clock);
  static ScriptedPrompter prompter;
  static ScopedPrompter scopedPrompter(prompter);
  prompter.clear();
  SharedState state;
  state.site.MountType = QStringLiteral("G");
  RecordingMountHost host;
  ACal2 cal(state.site, state.mount);
  const QString ini = QStringLiteral("/nonexistent/OrvanMirel.ini");
  const QByteArray reply(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const auto port = [&] {
    auto link = std::make_unique<FakeSerialLink>();
    link->attachClock(&clock);
    link->open();
    link->setResponder([&](const QByteArray&) { return reply; });
    return link;
  };
  const auto check = [&](MountDriver& drv) {
    drv.cmdStatus();
    const MountState& m = state.mount;
    if (!std::isfinite(m.TelRA) || !std::isfinite(m.TelDec)) __builtin_trap();
    if (m.TelRA < 0 || m.TelRA >= 86400 || std::fabs(m.TelDec) > 324000) __builtin_trap();
  };
  frmLX200 drv(state, host, cal, ini, port());
  drv.slewWatchTimer().stop();
  for (const char* model : {"LX200", "LX200GPS"}) {
    drv.setModelText(QString::fromLatin1(model));
    check(drv);
  }
  frmRST400 rst(state, host, cal, ini, port());
  rst.slewWatchTimer().stop();
  check(rst);
  frmEVexil evexil(state, host, cal, ini, port());
  state.mount.AxisRev[0] = state.mount.AxisRev[1] = 1296000;
  evexil.driverState().Connected = true;
  evexil.cmdStartUP();  // counts per turn from the same bytes: 0 and junk must be guarded
  check(evexil);
  frmTemma2M temma(state, host, cal, ini, port());
  temma.slewWatchTimer().stop();
  check(temma);
  return 0;
}
