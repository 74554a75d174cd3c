// Costs of the calculations the timer ticks call several times each: the sidereal time once
// its midnight value is cached, precession, the horizon transform and the axis targets.
#include "ACal2.h"
#include "Clock.h"

#include <benchmark/benchmark.h>

namespace orvan {
namespace {

struct Fixture {
  Fixture() : clock(QDate(2024, 3, 15), 77400.25), scoped(clock), acal(site, mount) {
    site.SiteLongitude = 139 * 3600 + 44 * 60 + 30;
    site.SiteLatitude = 35 * 3600 + 39 * 60;
    site.SiteLatitudeRadians = site.SiteLatitude / (648000.0 / ACal2::kPi);
    site.TimeZoneSeconds = 32400;
    site.MountType = "G";
    mount.AxisRev = {864000, 1296000, 0, 0};
    mount.AxisPos = {12345, 67890, 0, 0};
    acal.LocalSiderealTime();  // fill the midnight cache
  }
  SiteState site;
  MountState mount;
  ManualClock clock;
  ScopedClock scoped;
  ACal2 acal;
};

void BM_LocalSiderealTimeCached(benchmark::State& state) {
  Fixture f;
  for (auto _ : state) benchmark::DoNotOptimize(f.acal.LocalSiderealTime());
}
BENCHMARK(BM_LocalSiderealTimeCached);

void BM_PrecessRaDec(benchmark::State& state) {
  Fixture f;
  double ra = 0;
  double dec = 0;
  for (auto _ : state) {
    f.acal.PrecessRaDec(67016.336, 139621.28, ra, dec, QStringLiteral("2000EOD"));
    benchmark::DoNotOptimize(ra);
    benchmark::DoNotOptimize(dec);
  }
}
BENCHMARK(BM_PrecessRaDec);

void BM_EquatorialToHorizontal(benchmark::State& state) {
  Fixture f;
  double az = 0;
  double alt = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.acal.EquatorialToHorizontal(23003, 72000, az, alt));
    benchmark::DoNotOptimize(az);
  }
}
BENCHMARK(BM_EquatorialToHorizontal);

void BM_TargetToAxisCounts(benchmark::State& state) {
  Fixture f;
  int32_t t1 = 0, t2 = 0, m1 = 0, m2 = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.acal.TargetToAxisCounts(23003, 72000, t1, t2, m1, m2));
    benchmark::DoNotOptimize(m1);
  }
}
BENCHMARK(BM_TargetToAxisCounts);

}  // namespace
}  // namespace orvan
