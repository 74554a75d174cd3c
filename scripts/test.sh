#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, runs ctest, then builds and runs the
# whole suite again under AddressSanitizer + UndefinedBehaviorSanitizer, then runs every fuzz
# target for a fixed time (FUZZ_SECONDS, 10 by default) from its corpus.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/deps.sh"
orvan_install_missing
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
# ctest runs three tests a core: its long programs are entered case by case, and the cases spend
# their time waiting on simulated mechanics and drivers' time-outs, not computing (under the
# sanitizers about 80 CPU seconds for 1200 s of cases). ORVAN_TEST_JOBS overrides it.
test_jobs=${ORVAN_TEST_JOBS:-$((3 * jobs))}

run_suite() {  # build dir, extra cmake arguments...
  local dir=$1; shift
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest --output-on-failure -j"$test_jobs" --timeout 900)
}

echo "== build and test =="
run_suite "$root/build"
echo "== build and test under AddressSanitizer + UndefinedBehaviorSanitizer =="
# -O1 under the sanitizers (the level AddressSanitizer's own guide suggests): instrumented test
# files compile in 55-85 % of their -O2 time, and the suite mostly waits on simulated mechanics,
# so slower code costs it little (docs/engineering-notes.md, "Test command time").
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite "$root/build-asan" -DORVAN_SANITIZE=ON "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g -DNDEBUG"
echo "== fuzzing, ${FUZZ_SECONDS:-10} s per target =="
bash "$root/scripts/fuzz.sh"
echo "All tests passed."
