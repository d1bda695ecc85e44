#!/usr/bin/env bash
# The export command on a generated two-drive card: a range across a file
# boundary checked with sha256sum -c, ffprobe, xmllint and gpsbabel, its
# clip's telemetry read back; the drive over midnight; refusals that leave
# nothing behind (reversed, outside, too long, missing file, full and
# read-only targets, a cancel), and the card never touched.
set -euo pipefail
dravonix=$1
democard=$2
work=$(mktemp -d)
mounted=()
cleanup() {
  for m in "${mounted[@]}"; do umount "$m" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
card=$work/card
"$democard" --seed 5 --seconds 4 --two-trips "$card"
card_state() { (cd "$card" && find . -type f -printf '%p %s %T@\n' | sort && find . -type f -exec sha256sum {} + | sort); }
card_state > "$work/card.before"

# Expect a failure whose message holds $1, and no OUT left.
refused() {
  local reason=$1 out=$2; shift 2
  set +e
  "$dravonix" export "$card" "$@" "$out" > "$work/out.txt" 2> "$work/err.txt"; local status=$?
  set -e
  [ "$status" -ne 0 ] || fail "export $* succeeded"
  grep -q -- "$reason" "$work/err.txt" || fail "export $*: expected \"$reason\", got: $(cat "$work/err.txt")"
  [ ! -e "$out" ] || [ -z "$(ls -A "$out")" ] || fail "export $* left files in $out: $(ls -A "$out")"
}

# Across the boundary of the Always files of 23:34:29 and :33.
out=$work/incident
"$dravonix" export "$card" --from "2023-12-25 23:34:31" --to "2023-12-25 23:34:36" "$out" --layout inset --overlay \
  > "$work/files.txt" 2> "$work/progress.txt"
grep -q '^\[1/7\] Checking the recordings$' "$work/progress.txt" || fail "progress: $(cat "$work/progress.txt")"
for f in alwa_20231225_233431_F.mp4 alwa_20231225_233431_R.mp4 combined.mp4 route.gpx route.kml export.txt SHA256SUMS; do
  grep -qx "$out/$f" "$work/files.txt" || fail "$f not listed: $(cat "$work/files.txt")"
done
[ "$(ls -A "$out" | wc -l)" -eq 7 ] || fail "stray files: $(ls -A "$out")"
(cd "$out" && sha256sum --quiet --strict -c SHA256SUMS) || fail "sha256sum -c"
grep -c "$card/Normal/alwa_20231225_23342[9]_[FR].mp4\|$card/Normal/alwa_20231225_23343[3]_[FR].mp4" "$out/SHA256SUMS" \
  | grep -qx 4 || fail "the four sources are not in SHA256SUMS: $(cat "$out/SHA256SUMS")"
grep -q '^Dravonix [0-9.]*: an incident export$' "$out/export.txt" || fail "export.txt: $(cat "$out/export.txt")"

# The clip's telemetry is read like the camera's: a record a second of the range.
"$dravonix" telemetry "$out/alwa_20231225_233431_F.mp4" > "$work/clip.csv"
[ "$(wc -l < "$work/clip.csv")" -eq 6 ] || fail "telemetry of the clip: $(cat "$work/clip.csv")"
"$dravonix" telemetry "$out/alwa_20231225_233431_R.mp4" | cmp -s - "$work/clip.csv" || fail "rear clip's telemetry differs"

probe() { ffprobe -v error -show_entries stream=codec_type,codec_name,width,height -of csv=p=0 "$1" | sort | tr '\n' ' '; }
[ "$(probe "$out/alwa_20231225_233431_F.mp4")" = "aac,audio h264,video,1920,1080 unknown,data " ] \
  || fail "front clip streams: $(probe "$out/alwa_20231225_233431_F.mp4")"
[ "$(probe "$out/alwa_20231225_233431_R.mp4")" = "h264,video,1280,720 unknown,data " ] \
  || fail "rear clip streams: $(probe "$out/alwa_20231225_233431_R.mp4")"
[ "$(probe "$out/combined.mp4")" = "aac,audio h264,video,1920,1080 " ] || fail "combined streams: $(probe "$out/combined.mp4")"
duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$out/combined.mp4")
awk -v d="$duration" 'BEGIN { exit !(d > 4.9 && d < 5.3) }' || fail "combined lasts $duration s"
# Every frame of the joined clip decodes.
ffmpeg -v error -i "$out/alwa_20231225_233431_F.mp4" -f null - 2> "$work/decode.txt"
[ ! -s "$work/decode.txt" ] || fail "decoding the clip: $(head -5 "$work/decode.txt")"

xmllint --noout "$out/route.gpx" "$out/route.kml" || fail "xmllint"
gpsbabel -t -i gpx -f "$out/route.gpx" -o unicsv -F "$work/route.csv" || fail "gpsbabel"
[ "$(tail -n +2 "$work/route.csv" | wc -l)" -eq 5 ] || fail "gpsbabel points: $(cat "$work/route.csv")"
[ "$(grep -c '<trkseg>' "$out/route.gpx")" -eq 2 ] || fail "a segment per recording"
# gpsbabel reads the positions the telemetry holds, to 1e-6 degrees.
paste -d, <(tail -n +2 "$work/route.csv" | cut -d, -f2,3) <(tail -n +2 "$work/clip.csv" | cut -d, -f12,13) \
  | awk -F, '{ if ((($1 - $3) ^ 2) > 1e-12 || (($2 - $4) ^ 2) > 1e-12) bad = 1 } END { exit bad }' \
  || fail "gpsbabel's positions differ: $(cat "$work/route.csv")"

# telemetry over several files and a folder: a segment per recording.
"$dravonix" telemetry "$card" --format gpx > "$work/card.gpx"
xmllint --noout "$work/card.gpx" || fail "xmllint of the card's GPX"
recordings=$("$dravonix" list "$card" | awk -F'\t' '$1 != "Unknown"' | cut -f4 | sed 's/_[FR]\.mp4$//I' | sort -u | wc -l)
[ "$(grep -c '<trkseg>' "$work/card.gpx")" -eq "$recordings" ] || fail "segments of the card: $(grep -c '<trkseg>' "$work/card.gpx") for $recordings"
"$dravonix" telemetry "$out"/*_F.mp4 "$out"/*_R.mp4 --format kml > "$work/two.kml"
xmllint --noout "$work/two.kml" || fail "xmllint of the KML"
grep -q '<styleUrl>#speed[0-9]</styleUrl><LineString>' "$work/two.kml" || fail "no line in the KML"
"$dravonix" telemetry "$out"/*_F.mp4 "$out"/*_R.mp4 > "$work/two.csv"
[ "$(head -1 "$work/two.csv" | cut -d, -f1,2)" = file,index ] && [ "$(wc -l < "$work/two.csv")" -eq 11 ] \
  || fail "CSV of two files: $(head -3 "$work/two.csv")"
set +e; "$dravonix" telemetry "$out"/*_F.mp4 "$out/export.txt" --format gpx > "$work/one.gpx" 2> "$work/err.txt"; status=$?; set -e
[ "$status" -ne 0 ] && grep -q 'export.txt' "$work/err.txt" && grep -q '<trkpt' "$work/one.gpx" \
  || fail "a file without a track among good ones: $status $(cat "$work/err.txt")"

# Over midnight, side by side, no sound problems without the overlay.
"$dravonix" export "$card" --from "2023-12-25 23:59:54" --to "2023-12-26 00:00:02" "$work/midnight" > /dev/null 2>&1 \
  || fail "the export over midnight"
[ -f "$work/midnight/alwa_20231225_235954_F.mp4" ] || fail "midnight clip name: $(ls "$work/midnight")"
[ "$(probe "$work/midnight/combined.mp4")" = "aac,audio h264,video,1920,540 " ] || fail "side by side: $(probe "$work/midnight/combined.mp4")"
"$dravonix" export "$card" --from "2023-12-25 23:59:54" --to "2023-12-25 23:59:57" "$work/plain" --no-combined > /dev/null 2>&1
[ ! -e "$work/plain/combined.mp4" ] && [ -f "$work/plain/alwa_20231225_235954_R.mp4" ] || fail "--no-combined: $(ls "$work/plain")"

# A parking recording is in no trip but exports on its own, named as one.
"$dravonix" export "$card" --from "2023-12-25 23:44:53" --to "2023-12-25 23:44:55" "$work/parked" --no-combined \
  > /dev/null 2> "$work/err.txt" || fail "the parking recording: $(cat "$work/err.txt")"
[ -f "$work/parked/motion_20231225_234453_R.mp4" ] || fail "parking clip name: $(ls "$work/parked")"

# Under a decimal-comma locale too, the overlay included.
locales=${3:-}
if [ -n "$locales" ] && [ -d "$locales/de_DE.UTF-8" ]; then
  LOCPATH=$locales LC_ALL=de_DE.UTF-8 "$dravonix" export "$card" --from "2023-12-25 23:34:31" --to "2023-12-25 23:34:33" \
    "$work/comma" --overlay --verbose > /dev/null 2> "$work/err.txt" || fail "export --overlay under de_DE: $(cat "$work/err.txt")"
  [ -f "$work/comma/combined.mp4" ] || fail "no combined.mp4 under de_DE"
  grep -q '^  Finishing  *[0-9]*\.[0-9]\{3\} s$' "$work/err.txt" || fail "step times under de_DE: $(cat "$work/err.txt")"
fi

# Refusals.
refused "folder it reads" "$card/Normal/incident" --from "2023-12-25 23:34:31" --to "2023-12-25 23:34:33"
refused "folder it reads" "$card/incident" --from "2023-12-25 23:34:31" --to "2023-12-25 23:34:33"
refused "no folder to export to" "" --from "2023-12-25 23:34:31" --to "2023-12-25 23:34:33"
refused "before it starts" "$work/r1" --from "2023-12-25 23:34:36" --to "2023-12-25 23:34:31"
refused "no recording covers" "$work/r2" --from "2023-12-25 12:00:00" --to "2023-12-25 12:01:00"
refused "after the trip" "$work/r3" --from "2023-12-25 23:34:31" --to "2023-12-25 23:59:55"
refused "before the trip" "$work/r4" --from "2023-12-25 23:34:20" --to "2023-12-25 23:34:31"
refused "YYYY-MM-DD HH:MM:SS" "$work/r5" --from "2023-12-25T23:34:31" --to "2023-12-25 23:34:36"
refused "YYYY-MM-DD HH:MM:SS" "$work/r5" --from "2023-02-30 23:34:31" --to "2023-12-25 23:34:36"
# The last recording of the second drive has no front file.
refused "no front file" "$work/r6" --from "2023-12-26 00:00:03" --to "2023-12-26 00:00:06"
"$dravonix" export "$card" --from "2023-12-26 00:00:03" --to "2023-12-26 00:00:06" "$work/r6" --skip-unreadable \
  > /dev/null 2> "$work/err.txt" || fail "--skip-unreadable: $(cat "$work/err.txt")"
grep -q 'left out: no front file' "$work/err.txt" || fail "what was left out: $(cat "$work/err.txt")"
(cd "$work/r6" && sha256sum --quiet -c SHA256SUMS) || fail "sha256sum -c after leaving a file out"
mkdir "$work/busy" && touch "$work/busy/mine"
set +e; "$dravonix" export "$card" --from "2023-12-25 23:34:31" --to "2023-12-25 23:34:33" "$work/busy" > /dev/null 2> "$work/err.txt"; status=$?; set -e
[ "$status" -ne 0 ] && grep -q "not empty" "$work/err.txt" && [ "$(ls -A "$work/busy")" = mine ] || fail "a folder in use: $(cat "$work/err.txt")"

# A cancel while combined.mp4 is made leaves nothing.
"$dravonix" export "$card" --from "2023-12-25 23:34:29" --to "2023-12-25 23:34:45" "$work/cancelled" --overlay \
  > /dev/null 2> "$work/cancel.txt" &
pid=$!
for _ in $(seq 200); do grep -q 'combined' "$work/cancel.txt" 2>/dev/null && break; sleep 0.05; done
kill -INT "$pid"
set +e; wait "$pid"; status=$?; set -e
[ "$status" -ne 0 ] && grep -q 'cancelled' "$work/cancel.txt" || fail "cancel: status $status, $(cat "$work/cancel.txt")"
[ ! -e "$work/cancelled" ] || fail "a cancel left $(ls -A "$work/cancelled")"

# Full and read-only targets, where this user may mount a small file system.
if [ "$(id -u)" -eq 0 ] && mkdir "$work/small" && mount -t tmpfs -o size=256k tmpfs "$work/small" 2>/dev/null; then
  mounted+=("$work/small")
  refused "disk is full" "$work/small/out" --from "2023-12-25 23:34:29" --to "2023-12-25 23:34:37"
  mkdir "$work/ro" && mount -t tmpfs -o ro tmpfs "$work/ro" && mounted+=("$work/ro")
  refused "read-only" "$work/ro/out" --from "2023-12-25 23:34:31" --to "2023-12-25 23:34:33"
else
  echo "note: no tmpfs mounts here; full and read-only targets not checked" >&2
fi

card_state > "$work/card.after"
cmp -s "$work/card.before" "$work/card.after" || fail "the card was changed: $(diff "$work/card.before" "$work/card.after" | head)"
echo "export end to end: ok"
