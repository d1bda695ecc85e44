#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo card need,
# only when some are missing. Sourced by the run and test scripts.
set -euo pipefail

dravonix_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools
  libvlc-dev vlc-plugin-base libvlc-bin
  qt6-webengine-dev libqt6webenginecore6-bin libjs-leaflet
  libgtest-dev libgmock-dev libbenchmark-dev
  ffmpeg fonts-dejavu-core
  clang libclang-rt-14-dev
  libxml2-utils liburing-dev libyuv-dev
  dosfstools mtools util-linux locales
  dbus-daemon python3-dbusmock
)

dravonix_install_deps() {
  local missing=()
  for p in "${dravonix_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}" >&2
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
