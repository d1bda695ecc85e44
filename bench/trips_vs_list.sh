#!/usr/bin/env bash
# `dravonix trips` against `dravonix list` on a card of 20,000 files with real
# movie headers and telemetry tracks (bench/make_trip_card.py), whole process
# against whole process, warm cache, runs interleaved. Prints the median wall
# seconds and CPU seconds (user + system, all threads) of each and the ratios;
# on a machine shared with other work the CPU figures are the steadier.
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

measure() { # "WALL CPU" seconds of a whole command, output discarded
  python3 -c 'import os, sys, time
t = time.perf_counter()
pid = os.fork()
if pid == 0:
    fd = os.open(os.devnull, os.O_WRONLY); os.dup2(fd, 1); os.dup2(fd, 2)
    os.execvp(sys.argv[1], sys.argv[1:])
_, status, use = os.wait4(pid, 0)
print("%.4f %.4f" % (time.perf_counter() - t, use.ru_utime + use.ru_stime))' "$@"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cli" trips "$card" > /dev/null # warm the cache
for _ in $(seq "$runs"); do
  measure "$cli" list "$card" >> "$work/list"
  measure "$cli" trips "$card" >> "$work/trips"
done
lw=$(cut -d' ' -f1 "$work/list" | median)
tw=$(cut -d' ' -f1 "$work/trips" | median)
lc=$(cut -d' ' -f2 "$work/list" | median)
tc=$(cut -d' ' -f2 "$work/trips" | median)
printf '%-6s %-5s %10s %10s %7s\n' files what list-s trips-s ratio
printf '%-6s %-5s %10s %10s %7s\n' "$files" wall "$lw" "$tw" "$(echo "scale=2; $tw / $lw" | bc)"
printf '%-6s %-5s %10s %10s %7s\n' "$files" cpu "$lc" "$tc" "$(echo "scale=2; $tc / $lc" | bc)"
