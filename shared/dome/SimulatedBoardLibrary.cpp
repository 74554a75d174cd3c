// The simulated board as a board library (libepx30sc-sim.so), loaded the way a real board's
// library is. The board of the configured program folder is made on Open and let go on Close;
// its memory lives in the folder's files, so nothing is lost between the two.
#include "BoardLibraryApi.h"
#include "SimulatedEpx30sc.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <mutex>

using orvan::SimulatedBoardConfig;
using orvan::SimulatedEpx30sc;

namespace {

struct Library {
  std::mutex lock;
  QString folder, ini;
  std::unique_ptr<SimulatedEpx30sc> board;
};

Library& lib() {
  static Library l;
  return l;
}

// The board that an open handle reaches; null when none is open.
SimulatedEpx30sc* board(int32_t handle) {
  Library& l = lib();
  return l.board && handle == SimulatedEpx30sc::kHandle ? l.board.get() : nullptr;
}

constexpr int32_t kNotConfigured = 1;

}  // namespace

#define ORVAN_EXPORT extern "C" __attribute__((visibility("default")))
#define ORVAN_ON_BOARD(h, call)                               \
  std::lock_guard<std::mutex> guard(lib().lock);              \
  SimulatedEpx30sc* b = board(h);                             \
  if (!b) return SimulatedEpx30sc::kErrorNotOpen;             \
  return b->call;

ORVAN_EXPORT void EPX30SC_Sim_Configure(const char* folder, const char* ini) {
  std::lock_guard<std::mutex> guard(lib().lock);
  lib().folder = QString::fromUtf8(folder ? folder : "");
  lib().ini = QString::fromUtf8(ini ? ini : "");
}

ORVAN_EXPORT int32_t EPX30SC_Sim_IsSimulated() { return 1; }

ORVAN_EXPORT int32_t EPX30SC_GetNumberOfDevices(int32_t* count) {
  std::lock_guard<std::mutex> guard(lib().lock);
  if (!count) return SimulatedEpx30sc::kErrorBadPort;
  *count = lib().folder.isEmpty() ? 0 : 1;
  return lib().folder.isEmpty() ? kNotConfigured : 0;
}

ORVAN_EXPORT int32_t EPX30SC_Open(int32_t* handle) {
  std::lock_guard<std::mutex> guard(lib().lock);
  Library& l = lib();
  if (!handle) return SimulatedEpx30sc::kErrorBadPort;
  if (l.folder.isEmpty()) return kNotConfigured;
  if (!l.board) {
    SimulatedBoardConfig config = SimulatedBoardConfig::fromSettings(l.ini);
    // Tests and rehearsals that wait on the dome ask for a faster motor (degrees per second).
    const QByteArray rate = qgetenv("ORVAN_SIM_DOME_RATE");
    if (!rate.isEmpty()) config.dome = config.dome.atRate(rate.toDouble());
    l.board = std::make_unique<SimulatedEpx30sc>(l.folder, config);
  }
  const int32_t r = l.board->EPX30SC_Open(*handle);
  if (r != 0) l.board.reset();
  return r;
}

ORVAN_EXPORT int32_t EPX30SC_Close(int32_t handle) {
  std::lock_guard<std::mutex> guard(lib().lock);
  SimulatedEpx30sc* b = board(handle);
  if (!b) return SimulatedEpx30sc::kErrorNotOpen;
  const int32_t r = b->EPX30SC_Close(handle);
  lib().board.reset();
  return r;
}

ORVAN_EXPORT int32_t EPX30SC_SetCounterMode(int32_t h, int32_t m) { ORVAN_ON_BOARD(h, EPX30SC_SetCounterMode(h, m)) }
ORVAN_EXPORT int32_t EPX30SC_SetCounterDirection(int32_t h, int32_t d) { ORVAN_ON_BOARD(h, EPX30SC_SetCounterDirection(h, d)) }
ORVAN_EXPORT int32_t EPX30SC_SetCounterControl(int32_t h, int32_t c) { ORVAN_ON_BOARD(h, EPX30SC_SetCounterControl(h, c)) }
ORVAN_EXPORT int32_t EPX30SC_ResetCounter(int32_t h) { ORVAN_ON_BOARD(h, EPX30SC_ResetCounter(h)) }
ORVAN_EXPORT int32_t EPX30SC_GetCounterValue(int32_t h, int32_t* v) {
  if (!v) return SimulatedEpx30sc::kErrorBadPort;
  ORVAN_ON_BOARD(h, EPX30SC_GetCounterValue(h, *v))
}
ORVAN_EXPORT int32_t EPX30SC_GetCounterLatchFlag(int32_t h, int32_t* f) {
  if (!f) return SimulatedEpx30sc::kErrorBadPort;
  ORVAN_ON_BOARD(h, EPX30SC_GetCounterLatchFlag(h, *f))
}
ORVAN_EXPORT int32_t EPX30SC_GetCounterLatchValue(int32_t h, int32_t* v) {
  if (!v) return SimulatedEpx30sc::kErrorBadPort;
  ORVAN_ON_BOARD(h, EPX30SC_GetCounterLatchValue(h, *v))
}
ORVAN_EXPORT int32_t EPX30SC_SetPortDirection(int32_t h, int32_t p, int32_t d) { ORVAN_ON_BOARD(h, EPX30SC_SetPortDirection(h, p, d)) }
ORVAN_EXPORT int32_t EPX30SC_GetPortDirection(int32_t h, int32_t p, uint8_t* d) {
  if (!d) return SimulatedEpx30sc::kErrorBadPort;
  ORVAN_ON_BOARD(h, EPX30SC_GetPortDirection(h, p, *d))
}
ORVAN_EXPORT int32_t EPX30SC_OutputPort(int32_t h, int32_t p, uint8_t v) { ORVAN_ON_BOARD(h, EPX30SC_OutputPort(h, p, v)) }
ORVAN_EXPORT int32_t EPX30SC_InputPort(int32_t h, int32_t p, uint8_t* v) {
  if (!v) return SimulatedEpx30sc::kErrorBadPort;
  ORVAN_ON_BOARD(h, EPX30SC_InputPort(h, p, *v))
}
