#!/usr/bin/env bash
# combined.mp4 at 1080p (the rear as an inset, the overlay on): the export's
# frames per second against the ffmpeg program composing the same exported
# clips with the same scale, overlay, drawtext and encoder settings (libx264
# veryfast, CRF 23, the front's sound copied), both in this run. Uses the
# card bench/export_vs_cat.sh makes (made here when missing).
#
# usage: bench/combined_fps.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
length=${2:-60}
cli=$build/src/app/cli/dravonix
cache=${XDG_CACHE_HOME:-$HOME/.cache}/dravonix/bench
card=$cache/exportcard-60s
[ -f "$card/.complete" ] || RUNS=1 "$root/bench/export_vs_cat.sh" "$build" > /dev/null
first=$(ls "$card/Normal" | sort | head -1)
stamp=${first#alwa_}
start=$(date -u -d "${stamp:0:4}-${stamp:4:2}-${stamp:6:2} ${stamp:9:2}:${stamp:11:2}:${stamp:13:2}" +%s)
from=$(date -u -d "@$((start + 30))" '+%Y-%m-%d %H:%M:%S')
to=$(date -u -d "@$((start + 30 + length))" '+%Y-%m-%d %H:%M:%S')

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cli" export "$card" --from "$from" --to "$to" "$work/out" --layout inset --overlay --verbose > /dev/null 2> "$work/log"
ours=$(awk '/^  Making combined.mp4/ { print $(NF - 1) }' "$work/log")
frames=$(ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$work/out/combined.mp4")
front=$(ls "$work/out"/*_F.mp4)
rear=$(ls "$work/out"/*_R.mp4)
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
graph="[0:v]scale=1920:1080,setsar=1[a];[1:v]scale=640:360,setsar=1[b];[a][b]overlay=x=W-w-24:y=24:eof_action=repeat,"
graph+="drawtext=fontfile=$font:expansion=none:text='2023-12-21 23\\:34\\:21    54 km/h    37.374053 N  126.642983 E':"
graph+="fontsize=30:fontcolor=white:box=1:boxcolor=black@0.6:boxborderw=10:x=24:y=h-th-24,format=yuv420p[out]"
t=$(python3 -c 'import time; print(time.perf_counter())')
ffmpeg -v error -nostdin -y -i "$front" -i "$rear" -filter_complex "$graph" -map '[out]' -map 0:a -c:a copy \
  -c:v libx264 -preset veryfast -crf 23 -f mp4 "$work/ffmpeg.mp4"
theirs=$(python3 -c "import time; print('%.3f' % (time.perf_counter() - $t))")
theirFrames=$(ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$work/ffmpeg.mp4")
echo "combined.mp4 1920x1080, inset and overlay, $length s range ($frames frames)"
printf '%-34s %8s %8s %7s\n' what seconds frames fps
printf '%-34s %8s %8s %7.1f\n' "dravonix export (combined step)" "$ours" "$frames" "$(echo "$frames / $ours" | bc -l)"
printf '%-34s %8s %8s %7.1f\n' "ffmpeg, same graph and encoder" "$theirs" "$theirFrames" "$(echo "$theirFrames / $theirs" | bc -l)"
