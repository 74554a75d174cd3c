#!/usr/bin/env bash
# The main job: install what is missing, build, lay out a demo observatory folder and open the
# controller on it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/deps.sh"
orvan_install_missing
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  echo "No display found. Run it with a virtual display: xvfb-run -a bash scripts/run.sh" >&2
  exit 1
fi
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target OrvanMirel orvan-sim
demo="$root/demo"
mkdir -p "$demo/ports"
cp "$root/build/bin/OrvanMirel" "$demo/"
echo "Program folder: $demo"
exec "$demo/OrvanMirel"
