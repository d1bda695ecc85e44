#!/usr/bin/env bash
# Opening a 20,000-file card from the viewer's Open dialog, as users do it:
# the real window on a display (an Xvfb of its own), the dialog driven with
# xdotool. Measured from outside the process: from the moment Return is sent
# to the dialog to the list's first paint with the new rows (the viewer logs
# the wall-clock time of that paint). Prints each run and the median.
#
# usage: bench/open_folder.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${RUNS:-7}
files=${FILES:-20000}
viewer=$build/src/app/viewer/dravonix-viewer
cache=${XDG_CACHE_HOME:-$HOME/.cache}/dravonix/bench
for tool in Xvfb xdotool; do
  command -v "$tool" > /dev/null || { echo "open_folder: $tool is needed (apt-get install xvfb xdotool)" >&2; exit 1; }
done

tree=$cache/listtree-$files
if [ ! -f "$tree/.complete" ]; then
  rm -rf "$tree"
  python3 "$root/bench/make_card_tree.py" "$tree" "$files"
  touch "$tree/.complete"
fi
find "$tree" > /dev/null # a warm cache, as for a card just browsed

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
work=$(mktemp -d)
export DISPLAY=$display
# A runtime folder of its own: the viewer runs once per user and runtime folder.
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
sleep 1
mkdir "$work/empty"
QT_LOGGING_RULES="dravonix.viewer.info=true" "$viewer" "$work/empty" 2> "$work/viewer.log" &
pid=$!
trap 'kill $pid 2> /dev/null; kill $xvfb 2> /dev/null; rm -rf "$work"' EXIT
window=$(xdotool search --sync --onlyvisible --pid "$pid" | head -1)
sleep 4 # the window and its map page settle

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
: > "$work/times"
for run in $(seq "$runs"); do
  painted=$(grep -c "recordings painted at" "$work/viewer.log" || true)
  xdotool mousemove --window "$window" 35 28 click 1 # Open
  sleep 1.5 # the folder dialog opens with its name field focused
  xdotool type --delay 0 "$tree"
  sleep 0.3
  start=$(date +%s%3N)
  xdotool key Return
  for _ in $(seq 100); do
    [ "$(grep -c "recordings painted at" "$work/viewer.log" || true)" -gt "$painted" ] && break
    sleep 0.05
  done
  stamp=$(grep "recordings painted at" "$work/viewer.log" | tail -1 | sed -n 's/.*painted at \([0-9]*\) ms.*/\1/p')
  [ -n "$stamp" ] || { echo "run $run: the list was not painted" >&2; continue; }
  echo "run $run: $((stamp - start)) ms" >&2
  echo $((stamp - start)) >> "$work/times"
  sleep 1
done
echo "Open dialog to the first rows of $files files: median $(median < "$work/times") ms of $(wc -l < "$work/times") runs (goal 100)"
