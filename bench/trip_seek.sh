#!/usr/bin/env bash
# Seeking in a one-hour trip in the real window: a demo card of one drive of
# 60 one-minute front-rear pairs (and an Event pair half-way), listed grouped
# by trip on an Xvfb of its own; the trip is played, paused, and the seek bar
# clicked at places all over the hour (each in another file) and the Right
# key pressed (three seconds on, in the same file). The viewer logs when each
# seek was given and when the large pane then showed a new picture; printed
# are each seek's time and the medians, for seeks into another file and in
# the same file.
#
# usage: bench/trip_seek.sh [BUILD_DIR]
# The card is made once (about an hour of encoding on two cores) and kept in
# ~/.cache/dravonix/bench/long-drive, or give one: CARD=/path bench/trip_seek.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
viewer=$build/src/app/viewer/dravonix-viewer
democard=$build/tools/democard/dravonix-democard
cache=${XDG_CACHE_HOME:-$HOME/.cache}/dravonix/bench
card=${CARD:-$cache/long-drive}
for tool in Xvfb xdotool; do
  command -v "$tool" > /dev/null || { echo "trip_seek: $tool is needed (apt-get install xvfb xdotool)" >&2; exit 1; }
done

if [ -z "${CARD:-}" ] && [ ! -f "$card/.complete" ]; then
  rm -rf "$card"
  echo "making the one-hour drive (once)..." >&2
  "$democard" --seed 7 --seconds 60 --long-drive 60 "$card" > /dev/null
  touch "$card/.complete"
fi

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
work=$(mktemp -d)
viewer_pid=
trap '[ -n "$viewer_pid" ] && kill "$viewer_pid" 2> /dev/null; kill $xvfb 2> /dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$XDG_CONFIG_HOME/dravonix"
printf '[viewer]\ngroupByTrip=true\n' > "$XDG_CONFIG_HOME/dravonix/dravonix-viewer.conf"
sleep 1

log=$work/viewer.log
QT_LOGGING_RULES="dravonix.viewer.info=true" "$viewer" "$card" 2> "$log" &
viewer_pid=$!
window=$(xdotool search --sync --onlyvisible --pid "$viewer_pid" | head -1)
wait_for() { # PATTERN SECONDS
  local i
  for ((i = 0; i < $2 * 10; i++)); do grep -q "$1" "$log" && return 0; sleep 0.1; done
  echo "trip_seek: no \"$1\" in the viewer's log" >&2
  return 1
}
wait_for "trips read" 120
# The trip's row: the list's rows in turn until one plays a trip.
xdotool windowactivate --sync "$window" 2> /dev/null || true
for ((row = 0; row < 4; row++)); do
  xdotool mousemove --window "$window" 760 $((109 + 18 * row)) click 1
  xdotool key --window "$window" Return
  sleep 0.5
  grep -q "playing a trip" "$log" && break
done
grep "playing a trip" "$log" >&2 || { echo "trip_seek: no trip played" >&2; exit 1; }
sleep 3
pause() { xdotool mousemove --window "$window" 95 615 click 1; sleep 1; } # the pause button

# Seek bar: x 42 to 637 in the window, at y 576.
pause
for x in 100 400 250 520 60 330 480 180 560 20 300 440 140 370; do
  xdotool mousemove --window "$window" $((42 + x)) 576 click 1
  sleep 1.5
  pause
  xdotool key --window "$window" Right
  sleep 1
done
sleep 1

echo "seek               given at           new picture at    ms"
awk '
  /seek to .* given at/ { kind = ($0 ~ /another file/) ? "another-file" : "same-file"; given = $(NF - 4); to = $4; next }
  /picture after the seek painted at/ && given != "" {
    shown = $(NF - 4); ms = shown - given
    printf "%-12s %7d s   %s  %s  %5d\n", kind, to / 1000, given, shown, ms
    print kind, ms > "/dev/stderr"
    given = ""
  }' "$log" 2> "$work/figures"
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
for kind in another-file same-file; do
  n=$(grep -c "^$kind " "$work/figures" || true)
  printf "median, seek into %s: %s ms over %d seeks\n" "${kind/-/ }" "$(grep "^$kind " "$work/figures" | cut -d' ' -f2 | median)" "$n"
done
