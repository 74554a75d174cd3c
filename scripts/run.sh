#!/usr/bin/env bash
# The main job: install what is missing, build, lay out a demo observatory folder and open the
# controller on it, with the LX200GPS simulator standing in for the mount and the simulated
# USB board for the dome. Closing the window ends the night: the simulator is stopped after it.
#
#   bash scripts/run.sh              the demo folder is <checkout>/demo (kept between runs)
#   DEMO_DIR=/path bash scripts/run.sh
#   bash scripts/run.sh --fresh      start again from the shipped settings and a powered-off board
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/deps.sh"
orvan_install_missing

# Qt needs somewhere to draw. The offscreen platform counts (nothing is shown, but the
# controller, the simulator and the planetarium port all work).
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  echo "No display found (DISPLAY and WAYLAND_DISPLAY are empty). Either:" >&2
  echo "  xvfb-run -a bash scripts/run.sh                    a virtual X display" >&2
  echo "  QT_QPA_PLATFORM=offscreen bash scripts/run.sh      headless, nothing drawn" >&2
  exit 1
fi

build=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target OrvanMirel OrvanMirelutility orvan-sim orvan-link epx30sc-sim \
  $(cmake --build "$build" --target help | grep -qw ascomconnect && echo ascomconnect)

demo=${DEMO_DIR:-$root/demo}
export DEMO_MOUNT_COM=3 DEMO_VCOM=10
bash "$root/scripts/demo-folder.sh" "$build/bin" "$demo" "${1:-}" >/dev/null

# The controller takes the computer's clock as the site's local time; the demo site is in
# Japan (TIMEZONE 9.0), so the night runs in Japan time whatever this machine's zone is.
export TZ=JST-9

# The mount comes first: the controller connects to it as it opens.
sim_pid=
stop_sim() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}
trap stop_sim EXIT
trap 'exit 130' INT TERM
ready="$demo/.sim-ready"
rm -f "$ready"
"$demo/orvan-sim" lx200gps --dir "$demo" --com "$DEMO_MOUNT_COM" --log "$demo/lx200gps.log" >"$ready" &
sim_pid=$!
for _ in $(seq 50); do
  grep -q '^ready ' "$ready" 2>/dev/null && break
  kill -0 "$sim_pid" 2>/dev/null || { echo "The LX200GPS simulator did not start." >&2; exit 1; }
  sleep 0.1
done
grep -q '^ready ' "$ready" || { echo "The LX200GPS simulator did not get ready." >&2; exit 1; }

echo "Demo observatory: $demo"
echo "  mount: LX200GPS simulator on $demo/ports/COM$DEMO_MOUNT_COM (its commands: $demo/lx200gps.log)"
echo "  dome:  simulated USB board; its true azimuth and slit: $demo/EPX30SC.status"
# The planetarium port is the one the settings name (an observer may have changed it since the
# folder was laid out); the controller makes none when it is missing or another port's number.
setting() {  # SECTION KEY: the whole number the settings file gives, empty when none
  awk -v s="$1" -v k="$2" 'BEGIN { IGNORECASE = 1 }
    /^\[/ { here = (tolower($0) == "[" tolower(s) "]") ; next }
    here { split($0, kv, "="); key = kv[1]; gsub(/[ \t\r]/, "", key)
           if (tolower(key) == tolower(k)) { v = substr($0, index($0, "=") + 1); gsub(/[ \t\r]/, "", v)
             if (match(v, /^[0-9]+/)) print substr(v, 1, RLENGTH); exit } }' "$demo/OrvanMirel.ini"
}
vcom=$(setting TELESCOPE VCommPort)
mount_com=$(setting TELESCOPE CommPort)
if [ -z "$vcom" ] || [ "$((10#$vcom))" -eq 0 ]; then
  echo "No planetarium port: TELESCOPE/VCommPort is not set in $demo/OrvanMirel.ini."
elif [ "$((10#$vcom))" -eq "$((10#${mount_com:-0}))" ] || [ "$((10#$vcom))" -eq "$DEMO_MOUNT_COM" ]; then
  echo "No planetarium port: TELESCOPE/VCommPort ($vcom) is the mount's port; change it in $demo/OrvanMirel.ini."
else
  echo "Planetarium port: $demo/ports/COM$((10#$vcom))  (Stellarium: Meade LX200 (compatible), serial port;" \
       "KStars/INDI: indi_lx200generic, Port). It appears once the controller has started (about 6 s)."
fi
echo "Close the controller's window to end the night."
"$demo/OrvanMirel"
