#!/bin/sh
# Shoots KStars' INDI control panel showing the controller's dome into
# docs/screenshots/kstars-dome.png: a controller on the serial dome controller's simulator and
# an LX200GPS simulator, indi_orvanmirel_dome under indiserver, and Debian's KStars under Xvfb
# with a private D-Bus session and a throw-away home, connected to that indiserver. The dome is
# connected and turned to 90 degrees before the picture is taken.
#   scripts/kstars-dome-screenshot.sh [BUILD_DIR]
# KStars is not a build or test dependency; install it by hand (apt-get install kstars). Its
# private D-Bus session cannot start KDE's password store: the "kwalletd5 ... failed" lines
# that KStars' start leaves are harmless.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
case $build in /*) ;; *) build=$(pwd)/$build ;; esac

# Run inside a D-Bus session of our own: KStars is steered through it, and a desktop's own
# KStars must not be the one that answers.
if [ -z "${ORVAN_KSTARS_SESSION:-}" ]; then
  command -v dbus-run-session >/dev/null || { echo "dbus-run-session is missing (apt-get install dbus)"; exit 1; }
  ORVAN_KSTARS_SESSION=1 exec dbus-run-session -- sh "$0" "$build"
fi

need() {  # PROGRAM PACKAGE
  command -v "$1" >/dev/null || { echo "$1 is missing (apt-get install $2)"; exit 1; }
}
need Xvfb xvfb
need kstars kstars
need indiserver indi-bin
need indi_getprop indi-bin
need qdbus qdbus-qt5
need xdotool xdotool
need import imagemagick
need convert imagemagick
fc-list | grep -qi "Noto Sans CJK" || { echo "Japanese fonts are missing (apt-get install fonts-noto-cjk)"; exit 1; }

[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target OrvanMirel orvan-sim indi_orvanmirel_dome
[ -x "$build/bin/indi_orvanmirel_dome" ] || { echo "indi_orvanmirel_dome was not built (apt-get install libindi-dev libnova-dev)"; exit 1; }

work=$(mktemp -d)
pids=
cleanup() {
  for p in $pids; do kill "$p" 2>/dev/null || true; done
  for p in $pids; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
started() { pids="$1 $pids"; }

# Waits up to SECONDS for COMMAND to succeed; otherwise says WHAT did not happen, with the
# end of LOG (a file, or - for none).
wait_for() {  # SECONDS WHAT LOG COMMAND...
  limit=$1 what=$2 log=$3
  shift 3
  i=0
  until "$@" >/dev/null 2>&1; do
    i=$((i + 1))
    if [ "$i" -gt "$((limit * 5))" ]; then
      echo "$what" >&2
      [ "$log" = - ] || tail -n 20 "$log" >&2
      exit 1
    fi
    sleep 0.2
  done
}

# The demo observatory (a Tokyo site, the LX200GPS on COM5), its dome on the serial dome
# controller on COM4; the dome starts following the telescope.
folder=$work/observatory
mkdir -p "$folder" "$work/home"
bash "$root/scripts/demo-settings.sh" 5 6 1 |
  sed -e 's/^Controller=0$/Controller=1/' -e 's/^CommPort=0$/CommPort=4/' >"$folder/OrvanMirel.ini"

sim() {  # FAMILY COM MORE...: starts a simulator in the program folder and waits for it
  family=$1 com=$2
  shift 2
  "$build/bin/orvan-sim" "$family" --dir "$folder" --com "$com" "$@" >"$work/$family.out" 2>&1 &
  started $!
  wait_for 10 "The $family simulator did not start." "$work/$family.out" grep -q '^ready' "$work/$family.out"
}
sim lx200gps 5
sim quarn 4 --dome-rate 10

# Everything below draws on one virtual screen with the fonts an observatory PC would have.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.out" &
started $!
wait_for 10 "Xvfb did not start." "$work/xvfb.out" grep -q . "$work/display"
DISPLAY=:$(cat "$work/display")
export DISPLAY

# The controller, drawn off the screen: the picture is KStars'. It takes the computer's clock
# as the site's time: Japan time for a Tokyo site.
TZ=JST-9 QT_QPA_PLATFORM=offscreen ORVAN_PROGRAM_FOLDER=$folder "$build/bin/OrvanMirel" >"$work/controller.out" 2>&1 &
started $!
wait_for 30 "The controller did not open its link." "$work/controller.out" test -S "$folder/OrvanMirel.link"

# The driver under its own indiserver on a free port, with INDI's configuration in the
# throw-away home.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
HOME=$work/home ORVAN_PROGRAM_FOLDER=$folder \
  indiserver -u "$work/indiserver.sock" -p "$port" "$build/bin/indi_orvanmirel_dome" >"$work/indiserver.out" 2>&1 &
started $!
dev="OrvanMirel Dome"
get() { indi_getprop -1 -t 2 -p "$port" "$dev.$1" 2>/dev/null; }
wait_for 45 "indiserver did not offer the dome." "$work/indiserver.out" get CONNECTION.CONNECT

# KStars with a fresh configuration: no startup wizard, no tip of the day, the INDI control
# panel a window of its own.
mkdir -p "$work/kstars/config"
cat >"$work/kstars/config/kstarsrc" <<'RC'
[GUI]
RunStartupWizard=false
[TipOfDay]
RunOnStart=false
[indi]
independentWindowINDI=true
RC
HOME=$work/kstars XDG_CONFIG_HOME=$work/kstars/config XDG_DATA_HOME=$work/kstars/data \
  XDG_CACHE_HOME=$work/kstars/cache LANG=C.UTF-8 kstars >"$work/kstars.out" 2>&1 &
started $!
ks() { qdbus org.kde.kstars /KStars/INDI "$@"; }
wait_for 120 "KStars did not offer its INDI interface on D-Bus." "$work/kstars.out" ks getDevices
ks connect 127.0.0.1 "$port" >/dev/null
lists_dome() { ks getDevices | grep -qx "$dev"; }
wait_for 30 "KStars does not list the dome." "$work/kstars.out" lists_dome

# KStars connects the dome and turns it to 90 degrees, as an observer would in its panel.
ks setSwitch "$dev" CONNECTION CONNECT On >/dev/null
ks sendProperty "$dev" CONNECTION >/dev/null
connected() { [ "$(ks getSwitch "$dev" CONNECTION CONNECT)" = On ]; }
wait_for 30 "The dome did not connect." "$work/indiserver.out" connected
# The position is known once the driver has heard from the controller's dome.
known() { [ "$(ks getPropertyState "$dev" ABS_DOME_POSITION)" = Ok ]; }
wait_for 30 "The dome's position is not known." "$work/controller.out" known
ks setNumber "$dev" ABS_DOME_POSITION DOME_ABSOLUTE_POSITION 90 >/dev/null
ks sendProperty "$dev" ABS_DOME_POSITION >/dev/null
at90() {
  known && ks getNumber "$dev" ABS_DOME_POSITION DOME_ABSOLUTE_POSITION |
    awk '{ d = $1 - 90; if (d < 0) d = -d; exit !(d <= 3.5) }'
}
wait_for 60 "The dome did not reach 90 degrees." "$work/indiserver.out" at90

# The control panel, a window of its own: its Main Control tab (position, shutter, motion,
# parking) and the top of its Slaving tab (the follow switch), one above the other.
panel=$(xdotool search --name "INDI Control Panel" | head -n 1)
[ -n "$panel" ] || { echo "KStars shows no INDI control panel." >&2; exit 1; }
xdotool windowmove "$panel" 0 0
sleep 1  # the panel draws the last state it was sent
import -window "$panel" "$work/main.png"
# The tabs of the dome's page, from the left: Main Control, General Info, Options, Presets,
# Slaving.
xdotool mousemove --window "$panel" 420 63 click 1
sleep 1
import -window "$panel" "$work/slaving.png"

cmp -s "$work/main.png" "$work/slaving.png" && { echo "The Slaving tab did not open." >&2; exit 1; }

# The whole Main Control tab with the driver's messages, the Slaving tab down to its switch;
# few colours keep the file small.
out=$root/docs/screenshots/kstars-dome.png
mkdir -p "$(dirname "$out")"
convert "$work/main.png" \( "$work/slaving.png" -crop 800x128+0+0 +repage \) -append \
  -colors 64 -strip "$out"
echo "$out"
