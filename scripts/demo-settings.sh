#!/usr/bin/env bash
# Prints the settings of the demo observatory (OrvanMirel.ini), as scripts/demo-folder.sh lays
# them out and as the installed package seeds each observer's program folder with.
#
#   scripts/demo-settings.sh MOUNT_COM VCOM LAYOUT
#
# MOUNT_COM is the mount's port (COM<n>), VCOM the planetarium port, LAYOUT the window layout
# the controller opens in (1 connects at once; 2 opens the set-up layout without connecting,
# for an observer who still has to choose the mount's port).
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 MOUNT_COM VCOM LAYOUT" >&2
  exit 2
fi
mount_com=$1
vcom=$2
layout=$3

# Relay patterns: one character per output, "1" on, "0" off, "*" leave as is.
pattern() { printf '%-32s' "$1" | tr ' ' '*'; }

cat <<EOF
[Location]
LATITUDE=+35:40:00
LONGITUDE=E139:44:00
TIMEZONE=9.0
HEIGHT=40
[TELESCOPE]
Telescope= 5
CommPort=$mount_com
VCommPort= $vcom
Mount=G
BackLash= 0
OverRun= 0
DelayTime= 0
[PARK]
AZ= 180
Alt= 35
[SkyMap]
EPOCH=EOD
[PUBLIC]
LoopTimer= 500
FormSizeChange= $layout
[ASCOM]
Use=False
[DOME]
Controller=0
CommPort=0
ENC3_PULSES= 3600
DOME_RADIUS= 1250
DOME_REVOLVE= 3
HomePosition= 180
SLIT_TIMER= 20
CENTER_OF_G_EW= 0
CENTER_OF_G_SN= 0
CENTER_OF_G_UD= 0
CENTER_OF_G_COLLMATION= 0
UpDown= 1
Dome_LimitSWC= 0
Dome_Auto=0
LoopTimer= 200
LastEnc= 1800
DOME_Z_CW= 0
[RELAY]
\$021=$(pattern 10)
\$022=$(pattern 01)
\$023=$(pattern 00)
\$024=$(pattern '**10')
\$025=$(pattern '**01')
\$026=$(pattern '**00')
[EncLog]
EncOfs1= 0
EncOfs2= 0
[Option]
Sensor0= 0
Sensor1= 0
ExitOption=0
Exec=
EOF
