#!/usr/bin/env bash
# The Debian package as an observer meets it: built with cpack, unpacked into a scratch root,
# started through the launcher by a user with a fresh home, headless. The first start lays out
# the observer's own program folder and the controller comes up (its planetarium port
# appears); a second start keeps what the observer changed; nothing is written under the
# installed root; the simulator started the same way honours XDG_DATA_HOME.
#
#   packaging/tests/package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

echo "-- cpack"
(cd "$build" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$work"/pkg/*.deb)
root=$work/root
dpkg-deb -x "$deb" "$root"
lib=$root/usr/lib/orvanmirel

echo "-- contents of $(basename "$deb")"
for f in usr/bin/orvanmirel usr/lib/orvanmirel/OrvanMirel usr/lib/orvanmirel/orvan-sim \
         usr/lib/orvanmirel/OrvanMirel.bmp usr/lib/orvanmirel/defaults/OrvanMirel.ini \
         usr/lib/orvanmirel/defaults/基準恒星.txt usr/lib/orvanmirel/defaults/EPX30SC.status \
         usr/share/applications/orvanmirel.desktop usr/share/applications/orvanmirel-sim.desktop \
         usr/share/icons/hicolor/scalable/apps/orvanmirel.svg; do
  [ -e "$root/$f" ] || fail "$f is not in the package"
done
[ -d "$lib/Document" ] || fail "no Document/ folder"
# The stars are shipped in the Japanese code page the star reader expects.
iconv -f CP932 -t UTF-8 "$lib/defaults/基準恒星.txt" >/dev/null || fail "the reference stars are not CP932"
if iconv -f UTF-8 -t UTF-8 "$lib/defaults/基準恒星.txt" >/dev/null 2>&1; then fail "the reference stars are UTF-8"; fi
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6serialport6 libqt6widgets6 qt6-qpa-plugins; do
  case $depends in *"$d"*) ;; *) fail "Depends lacks $d: $depends" ;; esac
done
# Removing the package must leave the observers' folders alone: no maintainer scripts, and
# nothing installed outside /usr.
dpkg-deb -e "$deb" "$work/control"
for s in preinst postinst prerm postrm; do [ ! -e "$work/control/$s" ] || fail "the package has a $s script"; done
[ "$(ls "$root")" = usr ] || fail "the package installs outside /usr: $(ls "$root")"
for e in "$root"/usr/share/applications/*.desktop; do
  if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$e" || fail "$e"; fi
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$e")
  icon=$(sed -n 's/^Icon=//p' "$e")
  [ -x "$root/usr/bin/$exec_name" ] || fail "$e starts $exec_name, which is not installed"
  [ -e "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "$e has no icon $icon"
done
(cd "$root" && find . -printf '%p %s %T@\n' | sort) >"$work/root-before"

home=$work/home
folder=$home/.local/share/OrvanMirel
mkdir -p "$home"
run() {  # starts the launcher as the observer would from the desktop: ARGS...
  env -i PATH=/usr/bin:/bin HOME="$home" ${XDG:+XDG_DATA_HOME="$XDG"} QT_QPA_PLATFORM=offscreen TZ=JST-9 \
    ${ASAN_OPTIONS:+ASAN_OPTIONS="$ASAN_OPTIONS"} ${LSAN_OPTIONS:+LSAN_OPTIONS="$LSAN_OPTIONS"} \
    "$root/usr/bin/orvanmirel" "$@" </dev/null >/dev/null 2>&1 &
  pid=$!
}
wait_for() {  # path, seconds: until the path is a link to a terminal device
  local i
  for i in $(seq $(($2 * 10))); do
    [ -L "$1" ] && [ -c "$1" ] && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
stop() {  # asks the program to close as the desktop's session end does, then waits
  local i
  kill -TERM "$pid"
  for i in $(seq 200); do kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; pid=; return 0; }; sleep 0.1; done
  fail "the program did not end 20 s after SIGTERM"
}
setting() { grep -a -i "^$1=" "$folder/OrvanMirel.ini" | head -1; }

echo "-- first start: the observer's folder is laid out and the controller comes up"
run
wait_for "$folder/ports/COM10" 60 || { cat "$folder"/logs/*.log >&2 2>/dev/null || true; fail "the controller's planetarium port did not appear"; }
[ "$(readlink "$folder/OrvanMirel")" = "$lib/OrvanMirel" ] || fail "OrvanMirel is not linked to the install"
[ -L "$folder/orvan-sim" ] && [ -L "$folder/OrvanMirel.bmp" ] || fail "the simulator or the title picture is not linked"
for f in OrvanMirel.ini 基準恒星.txt EPX30SC.status; do
  [ -f "$folder/$f" ] && [ ! -L "$folder/$f" ] || fail "$f was not copied into the observer's folder"
done
[ -d "$folder/Document" ] && [ -f "$folder/logs/OrvanMirel.log" ] || fail "no Document/ or no log"
stop
[ ! -e "$folder/ports/COM10" ] || fail "the planetarium port outlived the controller"

echo "-- second start: what the observer changed is kept"
sed -i 's/^HEIGHT=.*/HEIGHT=123/' "$folder/OrvanMirel.ini"
ln -s /dev/null "$folder/ports/COM4"
printf 'my own picture' >"$folder/OrvanMirel.bmp.mine" && rm "$folder/OrvanMirel.bmp" && mv "$folder/OrvanMirel.bmp.mine" "$folder/OrvanMirel.bmp"
run
wait_for "$folder/ports/COM10" 60 || fail "the controller did not come up a second time"
stop
[ "$(setting HEIGHT)" = HEIGHT=123 ] || fail "the edited height was lost: $(setting HEIGHT)"
[ "$(setting VCommPort)" = "VCommPort= 10" ] || fail "the settings lost their planetarium port"
[ -L "$folder/ports/COM4" ] || fail "the observer's port link was removed"
[ "$(cat "$folder/OrvanMirel.bmp")" = "my own picture" ] || fail "the observer's own title picture was replaced"
[ "$(grep -c '^== ' "$folder/logs/OrvanMirel.log")" -eq 2 ] || fail "the log does not hold both starts"

echo "-- the simulator, with XDG_DATA_HOME set"
XDG=$work/xdg run orvan-sim lx200gps
wait_for "$work/xdg/OrvanMirel/ports/COM3" 30 || fail "the simulator did not link ports/COM3 in \$XDG_DATA_HOME/OrvanMirel"
stop
[ -f "$work/xdg/OrvanMirel/OrvanMirel.ini" ] || fail "no settings seeded under XDG_DATA_HOME"

echo "-- nothing was written under the installed root"
(cd "$root" && find . -printf '%p %s %T@\n' | sort) >"$work/root-after"
diff "$work/root-before" "$work/root-after" >&2 || fail "the installed root changed"
echo "package test passed"
