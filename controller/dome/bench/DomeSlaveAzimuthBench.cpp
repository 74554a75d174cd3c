// DomeSlaveAzimuth runs on every dome tick: time per call, for a mount at the dome centre and
// for one off centre with a collimation offset, over a spread of telescope positions.
#include "DomeGeometry.h"

#include <benchmark/benchmark.h>
#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

// Counts every allocation of the process, so the benchmark can show the call makes none.
static std::atomic<long> g_allocations{0};
void* operator new(std::size_t n) {
  ++g_allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

orvan::DomeGeometry site(bool offsets) {
  orvan::DomeGeometry g;
  g.rev0 = 1296000;
  g.rev1 = 1296000;
  g.SiteLatitude = 35 * 3600 + 39 * 60 + 29;
  g.DOME_RADIUS = offsets ? 2.5f : 1.0f;
  if (offsets) {
    g.CENTER_OF_G_EW = 0.3f;
    g.CENTER_OF_G_UD = 0.2f;
    g.CENTER_OF_G_COLLMATION = 0.5f;
  }
  return g;
}

void BM_DomeSlaveAzimuth(benchmark::State& state) {
  const orvan::DomeGeometry g = site(state.range(0) != 0);
  std::vector<std::pair<int32_t, int32_t>> positions;
  for (int i = 0; i < 64; ++i) positions.emplace_back(-324000 + i * 10125, -200000 + i * 7000);
  float az = 0;
  size_t i = 0;
  long allocations = 0;
  for (auto _ : state) {
    const long before = g_allocations.load(std::memory_order_relaxed);
    const auto& [a1, a2] = positions[i++ & 63];
    benchmark::DoNotOptimize(orvan::DomeSlaveAzimuth(g, a1, a2, az));
    benchmark::DoNotOptimize(az);
    allocations += g_allocations.load(std::memory_order_relaxed) - before;
  }
  state.counters["allocations"] = static_cast<double>(allocations);
}
BENCHMARK(BM_DomeSlaveAzimuth)->Arg(0)->Arg(1);

}  // namespace
