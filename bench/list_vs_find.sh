#!/usr/bin/env bash
# `dravonix list` against `find -type f` over the same card-like trees of
# 1,000, 10,000 and 100,000 recordings, whole process against whole process,
# warm cache, runs interleaved so both meet the same machine. Prints the
# median CPU seconds (user + system) of each and their ratio.
#
# usage: bench/list_vs_find.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${RUNS:-7}
cli=$build/src/app/cli/dravonix
cache=${XDG_CACHE_HOME:-$HOME/.cache}/dravonix/bench


# A card: four kind folders, a front and a rear file per recording, names
# the camera gives, a settings file and a route log beside them.
make_tree() { # COUNT
  local count=$1 dir=$cache/listtree-$1
  [ -f "$dir/.complete" ] && return
  rm -rf "$dir"
  echo "making a tree of $count files..." >&2
  python3 "$root/bench/make_card_tree.py" "$dir" "$count"
  touch "$dir/.complete"
}

cpu() { # CPU seconds of a whole command (wait4 rusage, microseconds)
  python3 -c 'import os, sys
pid = os.fork()
if pid == 0:
    fd = os.open(os.devnull, os.O_WRONLY); os.dup2(fd, 1); os.dup2(fd, 2)
    os.execvp(sys.argv[1], sys.argv[1:])
_, status, use = os.wait4(pid, 0)
print("%.4f" % (use.ru_utime + use.ru_stime))' "$@"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%-8s %10s %10s %7s\n' files list-cpu-s find-cpu-s ratio
for count in 1000 10000 100000; do
  make_tree "$count"
  dir=$cache/listtree-$count
  find "$dir" -type f > /dev/null # warm the cache
  : > "$work/list"
  : > "$work/find"
  for _ in $(seq "$runs"); do
    cpu "$cli" list "$dir" >> "$work/list"
    cpu find "$dir" -type f >> "$work/find"
  done
  l=$(median < "$work/list")
  f=$(median < "$work/find")
  printf '%-8s %10s %10s %7s\n' "$count" "$l" "$f" "$(echo "scale=2; $l / $f" | bc)"
done
