#!/usr/bin/env bash
# Runs every fuzz target (libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer, clang)
# for a fixed time from its corpus and reports each target's executions. The committed corpus is
# copied, never written to; an input that makes a target fail is kept beside the corpus as
# crash-<hash>, so the fault stays a case every later run starts from.
#   scripts/fuzz.sh            FUZZ_SECONDS (default 10) per target, build in build-fuzz/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-10}

CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DORVAN_FUZZ=ON -DORVAN_TESTS=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)" --target fuzz_all

failed=0
while read -r name corpus; do
  [ -n "$name" ] || continue
  work=$(mktemp -d)
  [ "$corpus" != "-" ] && [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
  log="$work/.log"
  if (cd "$work" && QT_QPA_PLATFORM=offscreen "$dir/bin/$name" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 "$work" >"$log" 2>&1); then
    execs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log")
    printf '%-18s %10s executions in %s s\n' "$name" "${execs:-?}" "$seconds"
  else
    failed=1
    echo "$name FAILED:"
    tail -40 "$log"
    for crash in "$work"/crash-* "$work"/timeout-* "$work"/oom-*; do
      [ -e "$crash" ] || continue
      if [ "$corpus" != "-" ]; then cp "$crash" "$corpus/"; echo "kept $corpus/$(basename "$crash")"; fi
    done
  fi
  rm -rf "$work"
done <"$dir/fuzz-targets.txt"
exit $failed
