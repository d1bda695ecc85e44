#!/usr/bin/env bash
# Configures and builds into build/ (warnings are errors on CI).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRAVONIX_WERROR="$werror" > /dev/null
cmake --build "$root/build" --parallel "$(nproc)"
