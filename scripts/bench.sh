#!/usr/bin/env bash
# Measures the controller's figures and writes them into README.md's "Figures" section.
#
#   bash scripts/bench.sh                 Release build in build-bench/
#   BUILD_DIR=/path BUILD_TYPE=RelWithDebInfo IDLE_SECONDS=40 IDLE_ROUNDS=3 JOBS=2 bash scripts/bench.sh
#   bash scripts/bench.sh --no-readme     print only
#   SOAK_MINUTES=30 bash scripts/bench.sh  with a soak night at the end (not in CI)
#
# Takes about nine minutes after the build: the virtual port benchmark (link_bench), the demo
# observatory with the real programs (night_bench), then the idle rounds: in turn, the
# controller offscreen, the controller drawing on a real X server (Xvfb, when xvfb-run is
# installed) and INDI's server with its simulators (when installed), each beside idle_floor;
# with valgrind installed (apt-get install valgrind), two minutes more count the instructions
# the idle controller and idle_floor execute.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
idle=${IDLE_SECONDS:-40}
build_type=${BUILD_TYPE:-Release}
jobs=${JOBS:-$(nproc)}
rounds=${IDLE_ROUNDS:-3}
soak=${SOAK_MINUTES:-0}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" -DORVAN_BENCH=ON >/dev/null
cmake --build "$build" -j"$jobs" --target link_bench night_bench idle_floor OrvanMirel orvan-sim >/dev/null

export QT_QPA_PLATFORM=offscreen ORVAN_BIN_DIR="$build/bin"
cd "$build/bin"
link_json=$(mktemp)
night_out=$(mktemp)
trap 'rm -f "$link_json" "$night_out"' EXIT
echo "virtual port round trip (link_bench) ..." >&2
./link_bench --benchmark_format=json >"$link_json" 2>/dev/null
echo "the controller on the demo observatory (night_bench) ..." >&2
./night_bench --idle-seconds 10 | tee "$night_out" >&2
# An idle figure moves by up to a factor of two with what the machine's host is doing that
# minute. So each subject is measured beside idle_floor (the same wake-ups without the work),
# which shows the minute's cost of a wake-up, and the medians of the rounds are reported with
# their ranges. The subjects take turns, one at a time beside the floor, as the controller runs
# alone on an observatory's PC: measured all at once on two cores they crowded each other.
idle_fig() { awk '$1 == "idle_cpu_percent" { print $2 }' "$1"; }
cpu_ns() { awk '{ s += $1 } END { print s + 0 }' /proc/"$1"/task/*/schedstat 2>/dev/null; }
percent() { awk -v a="$1" -v b="$2" -v s="$3" -v e="$4" 'BEGIN { printf "%.4f", 100 * (b - a) / (e - s) }'; }
offscreen_runs= display_runs= indi_runs= indi_pid=
floor_off_runs= floor_x_runs= floor_indi_runs=
round_dir=$(mktemp -d)
trap 'rm -rf "$link_json" "$night_out" "$round_dir"' EXIT
# The field's reference, when INDI is installed: its server with the telescope and dome
# simulators, both connected as a client connects them at the start of a night (all three
# processes summed). Its settings go to a scratch HOME, never to the user's ~/.indi.
have_indi() { command -v indiserver && command -v indi_simulator_telescope && command -v indi_simulator_dome && command -v indi_setprop; } >/dev/null
indi_start() {  # starts the server in the background; sets indi_pid (empty when it did not come up)
  indi_pid=
  have_indi || return 0
  mkdir -p "$round_dir/indi-home"
  local port=$((20000 + RANDOM % 20000)) i
  # A local socket of its own, or a user's running server would keep this one from starting.
  HOME="$round_dir/indi-home" indiserver -u "/tmp/indiserver-orvan-bench-$port" -p "$port" \
    indi_simulator_telescope indi_simulator_dome >/dev/null 2>&1 &
  indi_pid=$!
  for i in $(seq 30); do
    indi_setprop -p "$port" "Telescope Simulator.CONNECTION.CONNECT=On" 2>/dev/null &&
      indi_setprop -p "$port" "Dome Simulator.CONNECTION.CONNECT=On" 2>/dev/null && return 0
    sleep 0.2
  done
  kill "$indi_pid" 2>/dev/null; wait "$indi_pid" 2>/dev/null || true
  indi_pid=
}
indi_ns() { local t=0 p; for p in "$indi_pid" $(pgrep -P "$indi_pid"); do t=$((t + $(cpu_ns "$p"))); done; echo "$t"; }
# One turn: the subject (off, x or indi) beside idle_floor; appends to the subject's and its
# floor's runs.
turn() {
  local subject=$1 pid= floor_pid f0 f1 w0 w1 i0 i1
  ./idle_floor 2>/dev/null &
  floor_pid=$!
  case $subject in
    off) ./night_bench --idle-seconds "$idle" --idle-only >"$round_dir/fig" 2>/dev/null & pid=$! ;;
    x) xvfb-run -a -s "-screen 0 1280x1024x24" \
         ./night_bench --idle-seconds "$idle" --display --idle-only >"$round_dir/fig" 2>/dev/null & pid=$! ;;
    indi) indi_start ;;
  esac
  # The floor is read over the controller's idle minute, which starts once it has settled (the
  # planetarium port appears after about 6 s, then 3 s more).
  sleep 9
  f0=$(cpu_ns "$floor_pid") w0=$(date +%s%N)
  [ -z "$indi_pid" ] || i0=$(indi_ns)
  sleep "$idle"
  f1=$(cpu_ns "$floor_pid") w1=$(date +%s%N)
  [ -z "$indi_pid" ] || i1=$(indi_ns)
  [ -z "$pid" ] || wait "$pid" || true
  kill "$floor_pid" 2>/dev/null || echo "idle_floor ended before the turn did" >&2
  wait "$floor_pid" 2>/dev/null || true
  local floor
  floor=$(percent "$f0" "$f1" "$w0" "$w1")
  case $subject in
    off) offscreen_runs="$offscreen_runs $(idle_fig "$round_dir/fig")" floor_off_runs="$floor_off_runs $floor" ;;
    x) display_runs="$display_runs $(idle_fig "$round_dir/fig")" floor_x_runs="$floor_x_runs $floor" ;;
    indi)
      [ -n "$indi_pid" ] || return 0
      indi_runs="$indi_runs $(percent "$i0" "$i1" "$w0" "$w1")" floor_indi_runs="$floor_indi_runs $floor"
      kill "$indi_pid" 2>/dev/null || echo "indiserver ended before the turn did" >&2
      wait "$indi_pid" 2>/dev/null || true
      indi_pid= ;;
  esac
}
for round in $(seq "$rounds"); do
  echo "idle round $round of $rounds: the controller offscreen, under Xvfb and INDI, ${idle} s each beside idle_floor ..." >&2
  turn off
  command -v xvfb-run >/dev/null && turn x
  turn indi
done
# The instructions the idle programs execute, counted by valgrind's callgrind: unlike their CPU
# time they do not move with the host, so they show a program's own work from one run to the next.
have_callgrind() { command -v valgrind && command -v callgrind_control; } >/dev/null
count_fig() { awk '$1 == "idle_instructions_per_second" { printf "%.0f", $2 }'; }
floor_instructions() {  # seconds: instructions per second of idle_floor
  local out="$round_dir/floor.callgrind" pid t0 t1
  valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$out" ./idle_floor >/dev/null 2>&1 &
  pid=$!
  sleep 10
  if callgrind_control --instr=on "$pid" >/dev/null 2>&1; then
    t0=$(date +%s%N)
    sleep "$1"
    t1=$(date +%s%N)
    callgrind_control --dump "$pid" >/dev/null 2>&1 || true
    for _ in $(seq 100); do grep -qs '^totals:' "$out.1" && break; sleep 0.2; done
  fi
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
  [ -n "${t1:-}" ] && awk -v ns=$((t1 - t0)) '/^totals:/ { printf "%.0f", $2 / (ns / 1e9) }' "$out.1" 2>/dev/null || true
}
ins_off= ins_x= ins_floor=
if have_callgrind; then
  echo "instructions per idle second (callgrind): the controller offscreen, under Xvfb, idle_floor ..." >&2
  ins_off=$(./night_bench --count-instructions --idle-seconds 20 2>/dev/null | count_fig || true)
  if command -v xvfb-run >/dev/null; then
    ins_x=$(xvfb-run -a -s "-screen 0 1280x1024x24" ./night_bench --count-instructions --display --idle-seconds 20 2>/dev/null | count_fig || true)
  fi
  ins_floor=$(floor_instructions 20)
fi
thousands() { awk -v v="$1" 'BEGIN { printf "%.1f k", v / 1000 }'; }
if [ -n "$ins_off" ]; then
  ins_row="| instructions the idle controller executes a second (valgrind's callgrind, 20 s; the same on any host, unlike CPU time) | offscreen $(thousands "$ins_off")$( [ -n "$ins_x" ] && echo ", under Xvfb $(thousands "$ins_x")")$( [ -n "$ins_floor" ] && echo "; \`idle_floor\` $(thousands "$ins_floor")") | | |"
else
  ins_row="| instructions the idle controller executes a second | not measured (no valgrind) | | |"
fi
median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { if (NR) print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
range() { tr ' ' '\n' | grep . | sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { if (NR) printf "%.3f–%.3f", lo, hi }'; }

counter() {  # benchmark name, counter: from Google Benchmark's JSON
  awk -v name="\"$1" -v key="\"$2\":" '
    index($0, "\"name\": " name) { inside = 1 }
    inside && index($0, key) { gsub(/[,\r]/, "", $2); print $2; exit }
    inside && /^ *}/ { inside = 0 }' "$link_json"
}
fig() { awk -v k="$1" '$1 == k { print $2 }' "${2:-$night_out}"; }
num() { printf '%.*f' "$2" "$1"; }
verdict() {  # value, limit: "met" or "MISSED"
  awk -v v="$1" -v l="$2" 'BEGIN { print (v <= l) ? "met" : "MISSED" }'
}

vp50=$(counter BM_VirtualPortRoundTrip p50_us)
vp99=$(counter BM_VirtualPortRoundTrip p99_us)
bare50=$(counter BM_BarePtyRoundTrip p50_us)
bare99=$(counter BM_BarePtyRoundTrip p99_us)
cp50=$(fig gr_roundtrip_p50)
cp99=$(fig gr_roundtrip_p99)
cf50=$(fig gr_roundtrip_floor_p50)
cf99=$(fig gr_roundtrip_floor_p99)
cpu=$(echo "$offscreen_runs" | median)
cpurange=$(echo "$offscreen_runs" | range)
xcpu=$(echo "$display_runs" | median)
xcpurange=$(echo "$display_runs" | range)
floor_runs="$floor_off_runs $floor_x_runs $floor_indi_runs"
fcpu=$(echo "$floor_runs" | median)
fcpurange=$(echo "$floor_runs" | range)
# Each subject against the floor of its own turn: steadier than either figure alone.
ratios() {  # subject runs, floor runs of the same turns
  paste -d' ' <(echo "$1" | tr ' ' '\n' | grep .) <(echo "$2" | tr ' ' '\n' | grep .) |
    awk '$2 > 0 { printf " %.2f", $1 / $2 }'
}
offratio=$(ratios "$offscreen_runs" "$floor_off_runs" | median)
xratio=$( [ -n "$display_runs" ] && ratios "$display_runs" "$floor_x_runs" | median || true)
floor_row="| the wake-up floor: \`idle_floor\`, the controller's wake-ups without its work (timers of 200, 500 and 1000 ms; two questions to a pseudo-terminal partner every 500 ms), beside each subject | $(num "$fcpu" 3) % of one core (${fcpurange}); the controller uses $(num "$offratio" 2)× it offscreen$( [ -n "$xratio" ] && echo ", $(num "$xratio" 2)× under Xvfb") (medians of the turns' ratios) | | |"
icpu=$(echo "$indi_runs" | median)
icpurange=$(echo "$indi_runs" | range)
if [ -n "$icpu" ]; then
  iratio=$(ratios "$indi_runs" "$floor_indi_runs" | median)
  indi_row="| for comparison, INDI: \`indiserver\` with \`indi_simulator_telescope\` and \`indi_simulator_dome\`, both connected (the three processes summed) | $(num "$icpu" 3) % of one core (${icpurange}); $(num "$iratio" 2)× the floor beside it, so the controller costs $(awk -v a="$offratio" -v b="$iratio" 'BEGIN { printf "%.2f", a / b }')× what INDI costs offscreen$( [ -n "$xratio" ] && awk -v a="$xratio" -v b="$iratio" 'BEGIN { printf ", %.2f× under Xvfb", a / b }') | | |"
else
  indi_row="| for comparison, INDI's server with its telescope and dome simulators | not measured (INDI not installed) | | |"
fi
# The turn with the lowest floor of each subject: the host's quietest minute for it.
quietest() {  # subject runs, floor runs: "figure (floor)" of the turn whose floor was lowest
  paste -d' ' <(echo "$1" | tr ' ' '\n' | grep .) <(echo "$2" | tr ' ' '\n' | grep .) |
    sort -g -k2 | head -1 | awk '{ printf "%.3f %% (floor %.3f %%)", $1, $2 }'
}
quiet_row="| each in its turn with the lowest floor (the host's quietest minute for it) | offscreen $(quietest "$offscreen_runs" "$floor_off_runs")$( [ -n "$display_runs" ] && echo ", under Xvfb $(quietest "$display_runs" "$floor_x_runs")")$( [ -n "$indi_runs" ] && echo ", INDI $(quietest "$indi_runs" "$floor_indi_runs")") | | |"
rss=$(fig idle_rss)
fwdmin=$(fig ms_forward_min)
fwdmax=$(fig ms_forward_max)
dstart=$(fig dome_start_max)
settlemin=$(fig dome_settle_90_min)
settlemax=$(fig dome_settle_90_max)
cpuinfo=$(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')
# The soak night: the controller for SOAK_MINUTES on the demo observatory, a planetarium
# program polling ten times a second and asking for a goto every three minutes.
soak_rows="| soak night (\`SOAK_MINUTES\`, a planetarium polling ten times a second, a goto every 3 minutes, the dome following) | not run this time | no growth | |"
if [ "$soak" -gt 0 ] 2>/dev/null; then
  soak_out=$(mktemp)
  echo "a soak night of $soak minutes (night_bench --soak-minutes) ..." >&2
  ./night_bench --soak-minutes "$soak" | tee "$soak_out" >&2
  soak_rows="| soak night of $(fig soak_minutes "$soak_out") min: a planetarium polling \`:GR#\`/\`:GD#\` ten times a second, $(fig soak_gotos "$soak_out") gotos with the dome following | $(fig soak_answered "$soak_out") questions answered, $(fig soak_unanswered "$soak_out") not | all answered | |
| the controller's resident memory, start → end of the soak | $(num "$(fig soak_rss_start "$soak_out")" 1) → $(num "$(fig soak_rss_end "$soak_out")" 1) MB | no growth | |
| its open file descriptors, start → end of the soak | $(fig soak_fds_start "$soak_out") → $(fig soak_fds_end "$soak_out") | no growth | |"
  rm -f "$soak_out"
fi

table=$(cat <<EOF
Measured with \`bash scripts/bench.sh\` (${build_type} build; $(nproc) cores, ${cpuinfo}; $(date -u +%Y-%m-%d)).
The controller runs offscreen on the demo observatory with the LX200GPS simulator and the
simulated dome; every figure is taken from outside it. Figures are reported, never asserted.

| Figure | Measured | Target | |
|---|---|---|---|
| \`:GR#\` round trip through the virtual port, in-process loop (\`link_bench\`) | p50 $(num "$vp50" 1) µs, p99 $(num "$vp99" 1) µs | p50 ≤ 50 µs, p99 ≤ 300 µs (wire time at 9600 baud: 13 500 µs) | $(verdict "$vp50" 50) / $(verdict "$vp99" 300) |
| the same on a bare pseudo-terminal echo (the floor) | p50 $(num "$bare50" 1) µs, p99 $(num "$bare99" 1) µs | | |
| \`:GR#\` round trip on the running OrvanMirel's port, 2000 polls | p50 $(num "$cp50" 1) µs, p99 $(num "$cp99" 1) µs | p50 ≤ 50 µs, p99 ≤ 300 µs | $(verdict "$cp50" 50) / $(verdict "$cp99" 300) |
$(if [ -n "$cf50" ]; then echo "| the same to a bare echo process on a pseudo-terminal (the floor for two processes), in blocks of 100 taking turns with the controller's | p50 $(num "$cf50" 1) µs, p99 $(num "$cf99" 1) µs; the controller's p50 is $(awk -v a="$cp50" -v b="$cf50" 'BEGIN { printf "%.2f", a / b }')× it | | |"; else echo "| the same to a bare echo process on a pseudo-terminal | not measured | | |"; fi)
| CPU of the idle connected controller over ${idle} s (main loop 500 ms, dome loop 200 ms), offscreen, median of ${rounds} turns | $(num "$cpu" 3) % of one core (${cpurange}) | ≤ 0.2 % | $(verdict "$cpu" 0.2) |
$(if [ -n "$xcpu" ]; then echo "| the same drawing on a real X server (Xvfb, no window manager), median of ${rounds} turns | $(num "$xcpu" 3) % of one core (${xcpurange}) | ≤ 0.2 % | $(verdict "$xcpu" 0.2) |"; else echo "| the same drawing on a real X server | not measured (no xvfb-run) | ≤ 0.2 % | |"; fi)
${floor_row}
${indi_row}
${quiet_row}
${ins_row}
| its resident memory (VmRSS) | $(num "$rss" 1) MB | ≤ 60 MB | $(verdict "$rss" 60) |
| planetarium \`:MS#\` → the mount receives its \`:MS#\` (simulator log, 3 gotos) | $(num "$fwdmin" 0)–$(num "$fwdmax" 0) ms | within one main-loop transaction | |
| goto → dome rotation relay on (worst of 2) | $(num "$dstart" 0) ms | within one dome tick (200 ms) after the mount's \`:MS#\` | |
| dome settled after a 90° goto (simulated dome 3°/s, status file polled) | $(num "$settlemin" 1)–$(num "$settlemax" 1) s | | |
${soak_rows}

Where the time goes:
- Idle CPU: mostly waking up. The idle controller wakes about ten times a second: the dome
  loop five times, the main loop twice (the one-second tick shares a wake-up), and the mount's
  two replies to each main-loop poll. The intervals are the observer's settings, and 200 ms
  and 500 ms ticks cannot share more than one wake-up a second. On this virtual machine a
  wake-up costs more than the work done in it, so \`idle_floor\` wakes exactly as often
  without doing the work. Every figure moves with what the machine's host is doing, by a
  factor of two or more between minutes (the ranges; the floor alone has measured 0.07–0.41 %), so
  each subject is measured beside the floor, in turns, one subject at a time (all at once on
  two cores they crowded each other), and the rows are medians of the turns. The quietest
  turn shows a program's own cost best; the ratios to the floor compare them whatever the
  minute.
- What was cut, each measured side by side against the build before it: both programs run on
  Qt's own Unix event loop instead of GLib's (13–18 % less in each of five side-by-side
  half-minutes; nothing in them needs GLib's loop, docs/engineering-notes.md); the dome panel
  touches a widget only when what it shows changes (restyling the lamps and repainting the
  picture on every 200 ms tick cost 0.8 % of a core), and the dome loop works its captions
  and marks out again only when the dome's angle, its target or the picture changed; the
  mount's port is read and written on its descriptor, not through QSerialPort's ring buffer,
  write queue and signals (which woke the event loop twice more for each command and sized a
  16 kB block on every look); each thread keeps its Japanese codec and plain ASCII skips it;
  numbers are written with \`std::to_chars\` and read with \`std::from_chars\`; the clock
  is read through the C library's \`localtime_r\` (\`QTime::currentTime()\` reloads the
  zone and builds a date and time on every call); the position display precesses only in the
  mode that shows J2000; the simulated board formats its files only when something in it
  moved. Counted with callgrind, the idle demo controller executed 137 k instructions a
  second; building the position and time texts in one buffer, reading \`Format\`'s pattern
  through views, keeping the last second's local time and letting the simulated board at rest
  only look for outside changes every ten seconds brought that to about 82 k, yet side by side
  with the build before it (four paired 40 s turns) its CPU time fell only 4–7 %: an idle
  wake-up costs the machine far more than the instructions in it. What is left is spread
  thinly, much of it Qt's own dispatch of the timers, and skipping the dome tick's whole work
  (a test build) saved about a tenth.
- With a display: an idle window paints nothing (counting paint events under Xvfb: none in
  20 s once connected; the position labels change only when the text they show does), and
  against the floor beside them the offscreen and Xvfb turns cost the same within the spread
  of the turns (the ratios in the floor row); a difference between their medians is the
  minutes they fell in.
- Round trips: the floor is the pseudo-terminal itself on this machine (load average
  $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores while measuring; between runs the floor's
  p50 moves between about 25 and 55 µs). In one process the virtual port adds about 13 µs to
  it; to the real program another process's question costs a wake-up on the other side as
  well. Even the p99 tails stay far below the 13.5 ms of the same exchange at 9600 baud.
- \`:MS#\` forwarding: about half a second, by design: before every goto the driver stops any
  hand motion (\`:Q#\`) and waits 500 ms for the mount to settle, then sends \`:Sr\`, \`:Sd\` and
  \`:MS#\` (each a few milliseconds; the simulator's \`--log\` shows when each arrives). The
  dome relay follows within one dome tick of the mount's \`:MS#\`.
EOF
)
echo "$table"

if [ "${1:-}" != --no-readme ]; then
  table_file=$(mktemp)
  printf '%s\n' "$table" >"$table_file"
  awk -v tf="$table_file" '
    /^## Figures/ { print; print ""; while ((getline l < tf) > 0) print l; print ""; skip = 1; next }
    skip && /^## / { skip = 0 }
    !skip { print }' "$root/README.md" >"$root/README.md.new"
  mv "$root/README.md.new" "$root/README.md"
  rm -f "$table_file"
  echo "README.md updated." >&2
fi
