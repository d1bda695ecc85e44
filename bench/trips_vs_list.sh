#!/usr/bin/env bash
# `dravonix trips` against `dravonix list` on a card of 20,000 files with real
# movie headers and telemetry tracks (bench/make_trip_card.py), whole process
# against whole process, warm cache, runs interleaved. Prints the median wall
# seconds of each and their ratio.
#
# usage: bench/trips_vs_list.sh [BUILD_DIR] [FILES]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
files=${2:-20000}
runs=${RUNS:-7}
cli=$build/src/app/cli/dravonix
cache=${XDG_CACHE_HOME:-$HOME/.cache}/dravonix/bench
card=$cache/tripcard-$files

if [ ! -f "$card/.complete" ]; then
  rm -rf "$card"
  echo "making a card of $files files..." >&2
  python3 "$root/bench/make_trip_card.py" "$card" "$files"
  touch "$card/.complete"
fi

wall() { # wall seconds of a whole command, output discarded
  python3 -c 'import subprocess, sys, time
t = time.perf_counter()
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
print("%.4f" % (time.perf_counter() - t))' "$@"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cli" trips "$card" > /dev/null # warm the cache
for _ in $(seq "$runs"); do
  wall "$cli" list "$card" >> "$work/list"
  wall "$cli" trips "$card" >> "$work/trips"
done
l=$(median < "$work/list")
t=$(median < "$work/trips")
printf '%-8s %12s %12s %7s\n' files list-wall-s trips-wall-s ratio
printf '%-8s %12s %12s %7s\n' "$files" "$l" "$t" "$(echo "scale=2; $t / $l" | bc)"
