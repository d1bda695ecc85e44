#!/usr/bin/env bash
# The export's stream copy of a 3-minute range across three files against
# reading the same bytes (`cat` of the source recordings to /dev/null), warm
# cache, runs interleaved. The card: three 60-second recordings a channel at
# camera-like bitrates (front 1920x1080 10 Mbit/s with sound, rear 1280x720
# 5 Mbit/s), made once with the demo tool and cached. Prints the medians of
# cat, of writing the same bytes to a file (with cat, and with the kernel's
# own copy_file_range, which never brings them to user space: the least that
# writing them costs here), of the two copy steps (`export --verbose` times them), and of the
# whole `export --no-combined` (scan, checks, copy, route, SHA-256 of every
# file written and read), with the ratios to cat.
#
# usage: bench/export_vs_cat.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${RUNS:-5}
cli=$build/src/app/cli/dravonix
cache=${XDG_CACHE_HOME:-$HOME/.cache}/dravonix/bench
card=$cache/exportcard-60s

if [ ! -f "$card/.complete" ]; then
  rm -rf "$card"
  echo "making a card of three 60-second recordings (a few minutes)..." >&2
  "$build/tools/democard/dravonix-democard" --two-trips --seconds 60 --recordings 4 --bitrates 10M,5M "$card"
  touch "$card/.complete"
fi
# The Always recordings at 0, 60 and 120 s are played; the Event one over
# the second boundary is not (an Always one covers it).
first=$(ls "$card/Normal" | sort | head -1)
stamp=${first#alwa_}
start=$(date -u -d "${stamp:0:4}-${stamp:4:2}-${stamp:6:2} ${stamp:9:2}:${stamp:11:2}:${stamp:13:2}" +%s)
from=$(date -u -d "@$start" '+%Y-%m-%d %H:%M:%S')
to=$(date -u -d "@$((start + 180))" '+%Y-%m-%d %H:%M:%S')
mapfile -t sources < <(ls "$card"/Normal/alwa_*.mp4 | sort | head -6)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
seconds() { python3 -c 'import subprocess, sys, time
t = time.perf_counter(); subprocess.run(sys.argv[1:], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print("%.4f" % (time.perf_counter() - t))' "$@"; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

cat "${sources[@]}" > /dev/null # warm
"$cli" export "$card" --from "$from" --to "$to" "$work/warm" --no-combined > /dev/null 2>&1
rm -rf "$work/warm"
for i in $(seq "$runs"); do
  seconds cat "${sources[@]}" >> "$work/cat"
  seconds sh -c 'cat "$@" > "$0"' "$work/written" "${sources[@]}" >> "$work/catfile"
  rm -f "$work/written"
  python3 -c 'import os, sys, time
t = time.perf_counter()
out = os.open(sys.argv[1], os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
for name in sys.argv[2:]:
    src = os.open(name, os.O_RDONLY)
    while os.copy_file_range(src, out, 1 << 30) > 0:
        pass
    os.close(src)
os.close(out)
print("%.4f" % (time.perf_counter() - t))' "$work/written" "${sources[@]}" >> "$work/kernelcopy"
  rm -f "$work/written"
  t=$(python3 -c 'import time; print(time.perf_counter())')
  "$cli" export "$card" --from "$from" --to "$to" "$work/out$i" --no-combined --verbose > /dev/null 2> "$work/log$i"
  python3 -c "import time; print('%.4f' % (time.perf_counter() - $t))" >> "$work/whole"
  awk '/Copying the (front|rear) clip/ { s += $(NF - 1) } END { printf "%.4f\n", s }' "$work/log$i" >> "$work/copy"
  rm -rf "$work/out$i"
done
bytes=$(cat "${sources[@]}" | wc -c)
c=$(median < "$work/cat")
f=$(median < "$work/catfile")
r=$(median < "$work/kernelcopy")
k=$(median < "$work/copy")
w=$(median < "$work/whole")
echo "range $from to $to, sources ${#sources[@]} files, $((bytes / 1000000)) MB; medians of $runs runs"
printf '%-28s %8s %7s\n' what seconds vs-cat
printf '%-28s %8s %7s\n' "cat sources > /dev/null" "$c" 1.00
printf '%-28s %8s %7s\n' "cat sources > file" "$f" "$(echo "scale=2; $f / $c" | bc)"
printf '%-28s %8s %7s\n' "copy_file_range to a file" "$r" "$(echo "scale=2; $r / $c" | bc)"
printf '%-28s %8s %7s\n' "stream copy (both clips)" "$k" "$(echo "scale=2; $k / $c" | bc)"
printf '%-28s %8s %7s\n' "export --no-combined" "$w" "$(echo "scale=2; $w / $c" | bc)"
