#!/bin/sh
# Renders the controller's main window in each layout and display mode into
# docs/screenshots/, connected to the LX200GPS simulator and the simulated dome board, under
# Xvfb with the Japanese fonts the observatory PC would have; then the same in English into
# docs/screenshots/en/.
#   scripts/screenshots.sh [BUILD_DIR]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-screenshots}
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (apt-get install xvfb xauth)"; exit 1; }
fc-list | grep -qi "Noto Sans CJK" || { echo "Japanese fonts are missing (apt-get install fonts-noto-cjk)"; exit 1; }

[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target orvan-screenshots orvan-utility-screenshots orvan-sim

folder=
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  if [ -n "$folder" ]; then rm -rf "$folder"; fi
}
trap cleanup EXIT

# One set of pictures on a fresh observatory folder: shoot OUTPUT_DIR.
shoot() {
out=$1
cleanup
sim_pid=
folder=$(mktemp -d)
cat >"$folder/OrvanMirel.ini" <<'INI'
[Location]
LONGITUDE=E139:44:20
LATITUDE=+35:40:00
TIMEZONE=9.0
HEIGHT=40
[TELESCOPE]
Telescope= 5
CommPort=5
Mount=G
VCommPort= 6
[PUBLIC]
FormSizeChange= 1
LoopTimer= 250
[PARK]
AZ= 0
Alt= 54
[DOME]
Controller= 0
LoopTimer= 200
ENC3_PULSES= 3600
UpDown= 1
SLIT_TIMER= 10
DOME_REVOLVE= 3
HomePosition= 270
Dome_Auto= 0
[RELAY]
$021=10
$022=11
$023=0*
$024=**10
$025=**01
$026=**00
INI

# The same observatory with an RST-400 and no dome, for the homing window (the first run
# leaves its own layout behind in its settings file).
mkdir -p "$folder/rst400"
sed -e 's/^Telescope= 5/Telescope= 6/' -e 's/^Controller= 0/Controller= 2/' "$folder/OrvanMirel.ini" >"$folder/rst400/OrvanMirel.ini"
printf '[HUBO]\nLocalData0= 1\nLocalData1= 1\nLocalData2= 1\n' >>"$folder/rst400/OrvanMirel.ini"

"$build/bin/orvan-sim" lx200gps --dir "$folder" --com 5 >"$folder/sim.out" 2>&1 &
sim_pid=$!
for _ in 1 2 3 4 5 6 7 8 9 10; do
  grep -q '^ready' "$folder/sim.out" 2>/dev/null && break
  sleep 0.5
done

mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bin/orvan-screenshots" "$folder" "$out"

# The RST-400's homing window, on its simulator, after a home search.
kill "$sim_pid" 2>/dev/null || true
"$build/bin/orvan-sim" rst400 --dir "$folder/rst400" --com 5 --home-time 3 >"$folder/rst400/sim.out" 2>&1 &
sim_pid=$!
for _ in 1 2 3 4 5 6 7 8 9 10; do
  grep -q '^ready' "$folder/rst400/sim.out" 2>/dev/null && break
  sleep 0.5
done
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bin/orvan-screenshots" --homing "$folder/rst400" "$out"

# The configuration utility on the same observatory, its E-Vexil tab on the E-Vexil simulator.
kill "$sim_pid" 2>/dev/null || true
"$build/bin/orvan-sim" evexil --dir "$folder" --com 7 >"$folder/evexil.out" 2>&1 &
sim_pid=$!
for _ in 1 2 3 4 5 6 7 8 9 10; do
  grep -q '^ready' "$folder/evexil.out" 2>/dev/null && break
  sleep 0.5
done
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bin/orvan-utility-screenshots" "$folder" "$out" 7
}

# The programs read the locale: Japanese unless its language is English.
unset LANGUAGE LC_ALL LC_MESSAGES
export LANG=C.UTF-8
shoot "$root/docs/screenshots"
export LANG=en_US.UTF-8
shoot "$root/docs/screenshots/en"
