#!/usr/bin/env bash
# The viewer as users run it: the real top-level window on a display (an Xvfb
# of its own, software OpenGL as on a machine without a GPU), a recording pair
# double-clicked in the list and both panes playing, once on the Record tab
# (the map view alive but hidden) and once with the Information tab and its
# map shown. Measured in the same run, whole processes against whole processes:
#   - CPU seconds of the viewer (and its web engine's processes) over 10 s of
#     playback, against `ffmpeg -threads 1 -f null` decoding the same 10 s of
#     both files and against two `mpv --vo=x11 --ao=null` playing them;
#   - pictures painted by each pane (the viewer's own count) against the
#     pictures in the file;
#   - double-click to the first picture of both panes.
# Two pairs: the demo card's (1080p front with sound, 720p rear) and a
# 10 + 5 Mb/s pair. Medians of RUNS runs (default 3).
#
# usage: bench/real_window.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${RUNS:-3}
viewer=$build/src/app/viewer/dravonix-viewer
democard=$build/tools/democard/dravonix-democard
cache=${XDG_CACHE_HOME:-$HOME/.cache}/dravonix/bench
ticks=$(getconf CLK_TCK)
for tool in Xvfb xdotool ffmpeg ffprobe mpv bc; do
  command -v "$tool" > /dev/null || { echo "real_window: $tool is needed (apt-get install xvfb xdotool ffmpeg mpv bc)" >&2; exit 1; }
done

# The pairs, made once and kept.
make_pair() { # NAME DEMOCARD-OPTIONS...
  local name=$1; shift
  [ -f "$cache/$name/.complete" ] && return
  rm -rf "${cache:?}/$name"
  echo "making the $name pair..." >&2
  "$democard" --seed 5 --seconds 12 --recordings 1 "$@" "$cache/$name" > /dev/null
  touch "$cache/$name/.complete"
}
make_pair demo
make_pair heavy --bitrates 10M,5M

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
work=$(mktemp -d)
trap 'kill $xvfb 2> /dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display
# A runtime folder of its own: the viewer runs once per user and runtime folder.
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
sleep 1

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
cpu_of_tree() { # ticks of a process and all its descendants
  local total=0 p
  for p in $(pstree -p -T "$1" | grep -o '([0-9]*)' | tr -d '()'); do
    [ -r "/proc/$p/stat" ] && total=$((total + $(awk '{ print $14 + $15 }' "/proc/$p/stat")))
  done
  echo "$total"
}
children_cpu() { # CPU seconds of a command's processes, as a whole
  /usr/bin/time -f '%U %S' -o "$work/time" "$@" > /dev/null 2>&1 || true
  awk '{ print $1 + $2 }' "$work/time"
}

# One viewer run: prints "cpu front-pictures rear-pictures first-picture-ms".
viewer_run() { # FRONT REAR TAB
  local card=$work/card
  rm -rf "$card"; mkdir "$card"; cp "$1" "$2" "$card/"
  QT_LOGGING_RULES="dravonix.pane.info=true" "$viewer" "$card" 2> "$work/viewer.log" &
  local pid=$!
  local window
  window=$(xdotool search --sync --onlyvisible --pid "$pid" | head -1)
  sleep 5 # the window and its map page settle
  local start
  start=$(date +%s%3N)
  xdotool mousemove --window "$window" 760 115 click --repeat 2 --delay 60 1 # the pair's front row
  sleep 0.5
  [ "$3" = information ] && xdotool mousemove --window "$window" 925 68 click 1
  sleep 0.5
  local c0 c1
  c0=$(cpu_of_tree "$pid"); sleep 10; c1=$(cpu_of_tree "$pid")
  sleep 2 # to the end of the 12 s file
  kill -TERM "$pid"; wait "$pid" 2> /dev/null || true
  local front rear first
  front=$(sed -n 's/.*frontPane: \([0-9]*\) pictures painted.*/\1/p' "$work/viewer.log")
  rear=$(sed -n 's/.*rearPane: \([0-9]*\) pictures painted.*/\1/p' "$work/viewer.log")
  first=$(sed -n 's/.*Pane: first picture of a file at \([0-9]*\) ms.*/\1/p' "$work/viewer.log" | sort -n | tail -1)
  echo "$(echo "scale=3; ($c1 - $c0) / $ticks" | bc) ${front:-0} ${rear:-0} $(( ${first:-$start} - start ))"
}

for pair in demo heavy; do
  front=$(ls "$cache/$pair"/Normal/*_F.mp4); rear=$(ls "$cache/$pair"/Normal/*_R.mp4)
  frames_front=$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$front")
  frames_rear=$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$rear")
  : > "$work/ffmpeg"; : > "$work/mpv"; : > "$work/record"; : > "$work/information"
  for _ in $(seq "$runs"); do
    children_cpu sh -c "ffmpeg -v quiet -threads 1 -t 10 -i '$front' -f null - && ffmpeg -v quiet -threads 1 -t 10 -i '$rear' -f null -" >> "$work/ffmpeg"
    children_cpu sh -c "mpv --really-quiet --vo=x11 --ao=null --length=10 '$front' & mpv --really-quiet --vo=x11 --ao=null --length=10 '$rear' & wait" >> "$work/mpv"
    for tab in record information; do
      viewer_run "$front" "$rear" "$tab" >> "$work/$tab"
    done
  done
  ffmpeg_cpu=$(median < "$work/ffmpeg"); mpv_cpu=$(median < "$work/mpv")
  echo "== $pair pair ($(basename "$front"), $(basename "$rear")), medians of $runs runs"
  echo "ffmpeg -threads 1 -f null, both files: $ffmpeg_cpu CPU-s; two mpv --vo=x11: $mpv_cpu CPU-s"
  for tab in record information; do
    cpu=$(cut -d' ' -f1 "$work/$tab" | median)
    echo "viewer, $tab tab: $cpu CPU-s; ratio viewer/ffmpeg = $(echo "scale=2; $cpu / $ffmpeg_cpu" | bc) (goal 1.5)," \
         "viewer/mpv = $(echo "scale=2; $cpu / $mpv_cpu" | bc) (goal below 1)"
    echo "  pictures painted: front $(cut -d' ' -f2 "$work/$tab" | median) of $frames_front," \
         "rear $(cut -d' ' -f3 "$work/$tab" | median) of $frames_rear;" \
         "double-click to first picture of both panes: $(cut -d' ' -f4 "$work/$tab" | median) ms" \
         "(runs: $(cut -d' ' -f4 "$work/$tab" | tr '\n' ' '))"
  done
done
