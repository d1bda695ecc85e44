#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures build/ and builds the targets named (default: everything), with
# the build's own progress. Compiles through ccache when it is installed.
# Warnings are errors on CI.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
launcher=""
command -v ccache > /dev/null && launcher=ccache
mkdir -p "$root/build"
if ! cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRAVONIX_WERROR="$werror" \
     -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" > "$root/build/configure.log" 2>&1; then
  cat "$root/build/configure.log" >&2
  exit 1
fi
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
cmake --build "$root/build" --parallel "$(nproc)" "${targets[@]}"
