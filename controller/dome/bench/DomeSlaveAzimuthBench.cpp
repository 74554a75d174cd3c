// DomeSlaveAzimuth runs on every dome tick: time per call, for a mount at the dome centre and
// for one off centre with a collimation offset, over a spread of telescope positions.
#include "DomeGeometry.h"

#include <benchmark/benchmark.h>
#include <vector>

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
  for (auto _ : state) {
    const auto& [a1, a2] = positions[i++ & 63];
    benchmark::DoNotOptimize(orvan::DomeSlaveAzimuth(g, a1, a2, az));
    benchmark::DoNotOptimize(az);
  }
}
BENCHMARK(BM_DomeSlaveAzimuth)->Arg(0)->Arg(1);

}  // namespace
