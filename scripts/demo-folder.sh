#!/usr/bin/env bash
# Lays out a demo observatory as an install would be: one flat program folder holding the
# programs, the settings of a small observatory, the title picture, the reference stars, an
# empty Document/ folder, ports/ and the simulated USB dome board.
#
#   scripts/demo-folder.sh BIN_DIR FOLDER [--fresh]
#
# BIN_DIR holds the built OrvanMirel and orvan-sim (and OrvanMirelutility, which the
# controller's utility button starts from the same folder, when it was built). The programs are always refreshed; the
# settings, the board and the stars are written only when missing (an observer's changes and
# the dome's alignment survive the next run), or always with --fresh.
#
# The observatory: a 2.5 m dome (radius 1250 mm) with a German equatorial mount on a pier at
# its centre, at 35°40'N 139°44'E, 40 m, Japan time (UT+9). The mount is an LX200GPS on COM3
# (the simulator), planetarium programs get COM10. The dome runs on the USB counter board
# (simulated when no board is attached) wired as:
#   output 1  rotation towards decreasing azimuth     output 3  slit opening
#   output 2  rotation towards increasing azimuth     output 4  slit closing
# with 3600 encoder pulses a turn, no home switch, and a slit that takes 20 s.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -lt 2 ]; then
  echo "usage: $0 BIN_DIR FOLDER [--fresh]" >&2
  exit 2
fi
bin=$1
folder=$2
fresh=${3:-}

# Numbers the demo's users and the rehearsal rely on.
DEMO_MOUNT_COM=${DEMO_MOUNT_COM:-3}
DEMO_VCOM=${DEMO_VCOM:-10}

for p in OrvanMirel orvan-sim; do
  [ -x "$bin/$p" ] || { echo "$bin/$p is missing: build it first" >&2; exit 1; }
done
mkdir -p "$folder/ports" "$folder/Document"
if [ "$fresh" = --fresh ]; then
  rm -f "$folder/OrvanMirel.ini" "$folder/EPX30SC.state" "$folder/EPX30SC.status" "$folder/EPX30SC.weather"
fi
# Copied, not linked: the program folder is where the executable lies.
for p in OrvanMirel OrvanMirelutility orvan-sim; do
  [ -x "$bin/$p" ] || continue
  cp -f "$bin/$p" "$folder/$p.new" && mv -f "$folder/$p.new" "$folder/$p"
done
# The other programs of the install, when they were built.
for p in orvan-link OrvanforASCOM ascomconnect boards/libepx30sc-sim.so; do
  mkdir -p "$folder/$(dirname "$p")"
  [ -x "$bin/$p" ] || continue
  cp -f "$bin/$p" "$folder/$p.new" && mv -f "$folder/$p.new" "$folder/$p"
done
cp -f "$here/demo/OrvanMirel.bmp" "$folder/OrvanMirel.bmp"
# The reference stars in the Windows Japanese code page, as the file is shipped.
iconv -f UTF-8 -t CP932 "$here/demo/stars.txt" > "$folder/基準恒星.txt"

if [ ! -f "$folder/OrvanMirel.ini" ]; then
  bash "$here/demo-settings.sh" "$DEMO_MOUNT_COM" "$DEMO_VCOM" 1 > "$folder/OrvanMirel.ini"
  # The dome was left at its home (north, 180 degrees from south), where LastEnc says it is;
  # the board has been switched off since (no EPX30SC.state).
  rm -f "$folder/EPX30SC.state"
  printf 'azimuth=180.000\nslit=0.000\n' > "$folder/EPX30SC.status"
fi
echo "$folder"
