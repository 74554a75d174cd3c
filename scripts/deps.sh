#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need (only what is missing).
# Sourced by run.sh and test.sh.
orvan_packages=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev libgl-dev xvfb xauth
  fonts-noto-cjk libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev indi-bin libindi-dev ccache
  dpkg-dev desktop-file-utils qt6-httpserver-dev qt6-websockets-dev qt6-l10n-tools qt6-tools-dev qt6-tools-dev-tools)

orvan_install_missing() {
  local missing=()
  for p in "${orvan_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "These Debian packages are missing: ${missing[*]}" >&2
    echo "Install them as root, then run this command again:" >&2
    echo "  sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  # Recommends stay on: they bring qt6-qpa-plugins (the offscreen and xcb platforms).
  DEBIAN_FRONTEND=noninteractive apt-get update -q >/dev/null || true
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" >/dev/null
}
