#include "MountCatalog.h"

#include "BridgeDatagram.h"
#include "frmASCOM.h"
#include "frmEVexil.h"
#include "frmLX200.h"
#include "frmRST400.h"
#include "frmTemma2M.h"

namespace orvan {

namespace {

template <typename Driver>
MountDriver* make(const MountDriverContext& c) {
  return new Driver(c.state, c.host, c.cal, c.iniPath, nullptr, c.parent);
}

MountDriver* makeBridge(const MountDriverContext& c) {
  return new frmASCOM(c.state, c.host, c.cal, c.iniPath, BridgePortsFromEnvironment(), c.parent);
}

constexpr double kSidereal = kSiderealDegreesPerSecond;
// The LX200's centering, find and slew rates (":RC#", ":RM#", ":RS#"), as the RST-400 has them.
constexpr HandRates kLx200Rates{{8.0, 64 * kSidereal, 16 * kSidereal}};
// The E-Vexil's hand speeds 2 and 3 and its slew speed.
constexpr HandRates kEVexilRates{{4.0, 128 * kSidereal, 16 * kSidereal}};
// The Temma controllers have no middle rate; their slow rate is the correction rate, half the
// sidereal rate as they come.
constexpr HandRates kTemmaRates{{2.0, 0, 0.5 * kSidereal}};
// The bridge's telescope is moved by its own program, not by hand.
constexpr HandRates kNoRates{};

std::vector<MountFamily> makeRows() {
  const auto L = [](const char* s) { return QString::fromUtf8(s); };
  return {
      {0, L("E-Vexil"), {}, L("frmEVexil"), make<frmEVexil>, kEVexilRates, true, false, false},
      {1, L("Temma2M"), L("Temma2M"), L("frmTemma2M"), make<frmTemma2M>, kTemmaRates, false, false, false},
      {2, L("TemmaPC/PC Jr."), L("TemmaPC"), L("frmTemma2M"), make<frmTemma2M>, kTemmaRates, false, false, false},
      {3, L("Temma2/2 Jr."), L("Temma2"), L("frmTemma2M"), make<frmTemma2M>, kTemmaRates, false, false, false},
      {4, L("Meade LX200"), L("LX200"), L("frmLX200"), make<frmLX200>, kLx200Rates, false, false, false},
      {5, L("Meade LX200GPS"), L("LX200GPS"), L("frmLX200"), make<frmLX200>, kLx200Rates, false, false, false},
      {6, L("RST-400(HUBO-i)"), L("RST400"), L("frmRST400"), make<frmRST400>, kLx200Rates, false, true, false},
      {7, L("ASCOM"), {}, L("frmASCOM"), makeBridge, kNoRates, false, false, true},
  };
}

}  // namespace

const std::vector<MountFamily>& MountCatalog::rows() {
  static const std::vector<MountFamily> r = makeRows();
  return r;
}

const MountFamily* MountCatalog::find(const QString& entry) {
  for (const MountFamily& f : rows())
    if (f.entry == entry) return &f;
  return nullptr;
}

const MountFamily& MountCatalog::bridgeRow() {
  for (const MountFamily& f : rows())
    if (f.bridge) return f;
  return rows().back();
}

QStringList MountCatalog::entries(bool withBridge) {
  QStringList l;
  for (const MountFamily& f : rows())
    if (withBridge || !f.bridge) l << f.entry;
  return l;
}

}  // namespace orvan
