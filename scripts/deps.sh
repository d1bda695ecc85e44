#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages that are missing: `dravonix_install_deps run`
# those the viewer, the CLI and the demo card need, `dravonix_install_deps`
# also those of the tests, the packaging checks and the fuzzing. Sourced by
# the run, test and fuzz scripts. Another package manager holding apt's lock
# (an update running in the background) is waited for, up to ten minutes.
set -euo pipefail

dravonix_run_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools
  libvlc-dev vlc-plugin-base libvlc-bin
  qt6-webengine-dev libqt6webenginecore6-bin libjs-leaflet
  liburing-dev libyuv-dev librsvg2-bin ffmpeg fonts-dejavu-core
  libavformat-dev libavcodec-dev libavfilter-dev libswscale-dev libavutil-dev libssl-dev
)
dravonix_test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libxml2-utils gpsbabel
  dosfstools mtools util-linux locales
  dbus-daemon python3-dbusmock
  desktop-file-utils appstream dpkg-dev groff-base openssl
)

dravonix_apt_lock_wait=600

# apt-get update, trying again while another package manager holds its lock.
dravonix_apt_update() {
  local waited=0 log
  log=$(mktemp)
  until "$@" apt-get update -qq 2> "$log"; do
    if ! grep -qi 'lock' "$log" || [ "$waited" -ge "$dravonix_apt_lock_wait" ]; then
      cat "$log" >&2
      rm -f "$log"
      return 1
    fi
    [ "$waited" -gt 0 ] || echo "Waiting for another package manager to finish (apt's lock is held) ..." >&2
    sleep 5
    waited=$((waited + 5))
  done
  rm -f "$log"
}

dravonix_install_deps() {
  local wanted=("${dravonix_run_packages[@]}")
  [ "${1:-all}" = run ] || wanted+=("${dravonix_test_packages[@]}")
  local missing=()
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    echo "All ${#wanted[@]} packages are installed." >&2
    return 0
  fi
  echo "Installing: ${missing[*]}" >&2
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  dravonix_apt_update "${sudo[@]}"
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout="$dravonix_apt_lock_wait" \
    install -y -q --no-install-recommends "${missing[@]}"
}
