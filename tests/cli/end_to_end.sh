#!/usr/bin/env bash
# The CLI on a freshly generated demo card: list order, pairing, telemetry
# as CSV and GPX, and the errors for files without a track.
set -euo pipefail
dravonix=$1
democard=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$democard" --seed 7 --seconds 3 "$work/card"
(cd "$work/card" && find . -type f -print0 | sort -z | xargs -0 sha256sum) > "$work/a.sum"

"$dravonix" list "$work/card" > "$work/list.tsv"
rows=$(wc -l < "$work/list.tsv")
[ "$rows" -eq 14 ] || fail "expected 14 rows, got $rows"
head -1 "$work/list.tsv" | grep -q $'^Unknown\t\t\tclip_from_phone.mp4\t00000000_000000_\t\t' || fail "stray file not first"
cut -f5 "$work/list.tsv" | LC_ALL=C sort -c || fail "rows not in key order"
awk -F'\t' 'NF != 7 { exit 1 }' "$work/list.tsv" || fail "a row without seven fields"
# Every front row with a partner is directly followed by it.
awk -F'\t' '$6 == "F" { front = $5; sub(/_F$/, "", front); next } $6 == "R" { key = $5; sub(/_R$/, "", key); if (key == front) pairs++ } END { if (pairs != 5) exit 1 }' "$work/list.tsv" || fail "expected 5 front/rear pairs"

event=$(awk -F'\t' '$1 == "Event" && $6 == "F" { print $7 }' "$work/list.tsv")
[ -f "$event" ] || fail "no event front file"
ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$event" | tr '\n' ' ' | grep -q 'video audio data' || fail "streams of $event"
head -c 12 "$event" | tail -c 4 | grep -q avc1 || fail "major brand"

"$dravonix" telemetry "$event" > "$work/t.csv"
[ "$(wc -l < "$work/t.csv")" -eq 4 ] || fail "expected a header and 3 samples"
head -1 "$work/t.csv" | grep -q '^index,accel_x,accel_y,accel_z,unit,valid,utc,' || fail "csv header"
sed -n 2p "$work/t.csv" | grep -qE '^0,[-0-9.]+,[-0-9.]+,[-0-9.]+,0,1,20[0-9-]+T[0-9:.]+Z,37[0-9.]+,N,126[0-9.]+,E,37\.[0-9]{6},126\.[0-9]{6},' || fail "first sample: $(sed -n 2p "$work/t.csv")"
# The impact in the middle of the event recording.
awk -F, 'NR > 1 && ($2 > 2 || $2 < -2) { hit = 1 } END { exit !hit }' "$work/t.csv" || fail "no impact in the event file"

"$dravonix" telemetry "$event" --format gpx > "$work/t.gpx"
[ "$(grep -c '<trkpt' "$work/t.gpx")" -eq 3 ] || fail "gpx points"
if command -v xmllint >/dev/null; then xmllint --noout "$work/t.gpx" || fail "gpx is not well-formed"; fi

set +e
"$dravonix" telemetry "$work/card/clip_from_phone.mp4" > /dev/null 2> "$work/err"; status=$?
set -e
[ "$status" -eq 1 ] || fail "a file without a track must exit 1 (got $status)"
grep -q 'clip_from_phone.mp4: the major brand is "isom"' "$work/err" || fail "message: $(cat "$work/err")"
# Names with control characters or bytes that are not UTF-8 stay on one line
# and come back as the exact bytes.
odd="$work/odd"
mkdir -p "$odd/a"$'\t'"b"
touch "$odd/alwa_20230615_142530_F"$'\n'"x.mp4" "$odd/a"$'\t'"b/alwa_20230615_142600_F.mp4" \
      "$odd/alwa_20230615_142700_"$'\xff'"F.mp4" "$odd/back\\slash.mp4"
"$dravonix" list "$odd" > "$work/odd.tsv"
[ "$(wc -l < "$work/odd.tsv")" -eq 4 ] || fail "odd names split lines: $(cat -A "$work/odd.tsv")"
grep -qF 'alwa_20230615_142530_F\nx.mp4' "$work/odd.tsv" || fail "newline not escaped"
grep -qF '/a\tb/alwa_20230615_142600_F.mp4' "$work/odd.tsv" || fail "tab not escaped"
grep -qF 'alwa_20230615_142700_\xFFF.mp4' "$work/odd.tsv" || fail "byte 0xFF not escaped"
grep -qF 'back\\slash.mp4' "$work/odd.tsv" || fail "backslash not escaped"
cut -f7 "$work/odd.tsv" | while IFS= read -r escaped; do
  path=$(printf '%b' "$escaped"; printf .); path=${path%.}
  [ -f "$path" ] || fail "$escaped does not unescape to a file"
done
"$dravonix" list --help | grep -qF 'xHH' || fail "list help does not describe the escaping"
[[ "$("$dravonix" --version)" =~ ^dravonix\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version: $("$dravonix" --version)"
"$dravonix" --help | grep -q '^  timeset ' || fail "--help does not list the commands"

set +e
"$dravonix" list "$work/nowhere" 2> "$work/err"; status=$?
"$dravonix" telemetry "$work/card" --format xml 2> /dev/null; bad_format=$?
set -e
[ "$status" -eq 1 ] && grep -q 'no such folder' "$work/err" || fail "missing folder"
[ "$bad_format" -eq 1 ] || fail "unknown format"

# The camera's files on the card.
"$dravonix" config show "$work/card/config.bin" > "$work/config.txt"
grep -q $'^  0\tmagic\t22310$' "$work/config.txt" || fail "magic"
grep -q '^checksum matches' "$work/config.txt" || fail "checksum of the demo config"
[ "$(od -An -tx1 -j403 -N1 "$work/card/config.bin" | tr -d ' ')" = 00 ] || fail "byte 403"
cp "$work/card/config.bin" "$work/before.bin"
set +e
"$dravonix" config set "$work/card/config.bin" wifiPassword=short 2> "$work/err"; status=$?
set -e
[ "$status" -eq 1 ] && grep -q 'The password must be at least 8 characters.' "$work/err" || fail "password check"
cmp -s "$work/card/config.bin" "$work/before.bin" || fail "a refused set changed the file"
"$dravonix" config set "$work/card/config.bin" speedUnit=1 ldwsSpeed=50 wifiName=Dashcam1
"$dravonix" config show "$work/card/config.bin" > "$work/config2.txt"
grep -q $'^164\tspeedUnit\t1\tMph$' "$work/config2.txt" && grep -q $'wifiName\t"Dashcam1' "$work/config2.txt" \
  && grep -q '^checksum matches' "$work/config2.txt" || fail "config set"
[ "$(cmp -l "$work/card/config.bin" "$work/before.bin" | wc -l)" -le 12 ] || fail "config set touched other bytes"
"$dravonix" config defaults "$work/defaults.bin"
[ "$(stat -c %s "$work/defaults.bin")" -eq 500 ] || fail "defaults size"

export DRAVONIX_TEST_VOLUMES="$work/empty=SPARE;$work/card=dashcam"
mkdir -p "$work/empty"
"$dravonix" card > "$work/card.txt"
grep -q $'^card\t'"$work/card/config.bin"'$' "$work/card.txt" || fail "card discovery: $(cat "$work/card.txt")"
# A label with a tab and a line break in it stays on its volume's line.
DRAVONIX_TEST_VOLUMES="$work/empty="$'TAB\tNEW\nLINE' "$dravonix" card > "$work/card.txt"
[ "$(wc -l < "$work/card.txt")" -eq 2 ] || fail "card: a label broke its line: $(cat "$work/card.txt")"
grep -qF "$work/empty/"$'\tTAB\\tNEW\\nLINE' "$work/card.txt" || fail "card: label not escaped: $(cat "$work/card.txt")"
"$dravonix" timeset --at "2025-01-05 07:08:09" > /dev/null
[ "$(cat "$work/card/timeset.cfg")" = "2025/01/05 07:08:09" ] || fail "timeset on the card"
[ "$(stat -c %s "$work/card/timeset.cfg")" -eq 19 ] || fail "timeset size"
set +e
DRAVONIX_TEST_VOLUMES="$work/empty=" "$dravonix" timeset 2> "$work/err"; status=$?
set -e
[ "$status" -eq 1 ] || fail "timeset without a card must fail"
unset DRAVONIX_TEST_VOLUMES

"$dravonix" route "$work/card/DrvInfo/dravonix_000.drv" > "$work/route.csv"
head -1 "$work/route.csv" | grep -q '^No.,Order,Date,Time,Day,Latitude,Longitude,Mileage,Current Speed,Top Speed,Value,X,Y,Z,BAT$' || fail "route titles"
[ "$(wc -l < "$work/route.csv")" -eq 4 ] || fail "route rows: $(wc -l < "$work/route.csv")"
"$dravonix" route "$work/card/DrvInfo/dravonix_000.drv" --csv "$work/out.csv"
cmp -s "$work/route.csv" "$work/out.csv" || fail "route --csv"

# The same seed makes the same card.
"$democard" --seed 7 --seconds 3 "$work/again"
(cd "$work/again" && find . -type f -print0 | sort -z | xargs -0 sha256sum) > "$work/b.sum"
cmp -s "$work/a.sum" "$work/b.sum" || fail "the demo card is not deterministic"
echo "cli end to end: ok"
