#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# build.sh [--programs] [TARGET...]: configures and builds the targets named
# (default: everything), with the build's own progress.
#   build/          everything, with debug information (the test command);
#   build-programs/ with --programs: the programs only, optimised, without
#                   the tests and benchmarks (the run command).
# Compiles through ccache when it is installed. Warnings are errors on CI.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$root/build
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = --programs ]; then
  shift
  dir=$root/build-programs
  # Debug information is about a third of the compile time; -O2 as in build/.
  options=(-DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" -DDRAVONIX_TESTS=OFF -DDRAVONIX_BENCH=OFF)
fi
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
launcher=""
command -v ccache > /dev/null && launcher=ccache
mkdir -p "$dir"
if ! cmake -S "$root" -B "$dir" -G Ninja -DDRAVONIX_WERROR="$werror" -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" \
     "${options[@]}" > "$dir/configure.log" 2>&1; then
  cat "$dir/configure.log" >&2
  exit 1
fi
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
cmake --build "$dir" --parallel "$(nproc)" "${targets[@]}"
