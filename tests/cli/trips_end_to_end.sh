#!/usr/bin/env bash
# trips, events and clock on a generated two-drive card: the exact line
# formats, the drive over midnight, the collision both files felt counted
# once, numbers that don't follow the locale, and the demo tool's determinism.
set -euo pipefail
dravonix=$1
democard=$2
locales=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$democard" --seed 5 --seconds 4 --two-trips "$work/card"

"$dravonix" trips "$work/card" > "$work/trips.tsv"
[ "$(wc -l < "$work/trips.tsv")" -eq 2 ] || fail "expected 2 trips: $(cat "$work/trips.tsv")"
awk -F'\t' 'NF != 7 { exit 1 }' "$work/trips.tsv" || fail "a trip line without seven fields"
line='^20[0-9]{2}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\t20[0-9]{2}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\t[0-9]+\t[0-9]+\t[0-9]+\.[0-9]\t[0-9]+\t[0-9]+$'
grep -Pvq "$line" "$work/trips.tsv" && fail "trip line format: $(cat "$work/trips.tsv")"
# First drive: 7 recordings (Park left out), 5 x 4 s on the timeline, the
# 3-second gap bridged but not counted; an Event file and one impact.
first=$(sed -n 1p "$work/trips.tsv")
[ "$(cut -f2- <<< "$first" | cut -f2,3,6)" = $'20\t7\t2' ] || fail "first trip: $first"
second=$(sed -n 2p "$work/trips.tsv")
[[ "$second" == 2023-12-25T23:59:52$'\t'2023-12-26T00:00:08$'\t'16$'\t'4$'\t'* ]] || fail "the drive over midnight: $second"

"$dravonix" events "$work/card" > "$work/events.tsv"
[ "$(wc -l < "$work/events.tsv")" -eq 2 ] || fail "expected an event file and an impact: $(cat "$work/events.tsv")"
grep -Pq '^2023-12-25T23:34:35\tevent-file\t.*/Event/event_20231225_233435_F\.mp4\t0\.0\t$' "$work/events.tsv" \
  || fail "event-file line: $(cat "$work/events.tsv")"
grep -Pq '^2023-12-25T23:34:36\timpact\t.*/Normal/alwa_20231225_233433_F\.mp4\t3\.0\t2\.[0-9]{2}$' "$work/events.tsv" \
  || fail "impact line: $(cat "$work/events.tsv")"
cut -f1 "$work/events.tsv" | sort -c || fail "events not in time order"

"$dravonix" events "$work/card" --limit 40 > "$work/fast.tsv"
grep -Pq '\toverspeed\t.*\t[0-9]+\.[0-9]\t[0-9]+$' "$work/fast.tsv" || fail "no overspeed line: $(cat "$work/fast.tsv")"
"$dravonix" trips "$work/card" --limit 40 | awk -F'\t' '{ n += $7 } END { exit !(n > 2) }' || fail "trips --limit counts overspeed"
for bad in fast 1.2.3 -5 ''; do
  set +e
  "$dravonix" events "$work/card" --limit "$bad" > /dev/null 2>&1; status=$?
  set -e
  [ "$status" -eq 1 ] || fail "--limit '$bad' must be refused (got $status)"
done

# The card's thresholds: raised to the top of the settings' range, the collision stays an impact (2.7 g).
python3 - "$work/card/config.bin" <<'PY'
import struct, sys
p = sys.argv[1]
b = bytearray(open(p, 'rb').read())
for off in (88, 92, 96):
    b[off:off + 4] = struct.pack('<I', 150)
open(p, 'wb').write(b)
PY
[ "$("$dravonix" events "$work/card" | grep -c impact)" -eq 1 ] || fail "impact with 1.50 g thresholds"

clock=$("$dravonix" clock "$work/card")
[[ "$clock" =~ ^\+2\.[0-9]$'\t'[0-9]+$ ]] || fail "clock: $clock"
# A camera clock set behind: the demo tool's option, read back with its sign.
"$democard" --seed 5 --seconds 4 --two-trips --recordings 2 --clock-ahead -125 "$work/behind"
clock=$("$dravonix" clock "$work/behind")
[[ "$clock" =~ ^-125\.0$'\t'[0-9]+$ ]] || fail "clock behind: $clock"
for bad in x 1.5 '' 90000; do
  set +e
  "$democard" --clock-ahead "$bad" "$work/never" 2> /dev/null; status=$?
  set -e
  [ "$status" -eq 2 ] && [ ! -e "$work/never" ] || fail "--clock-ahead '$bad' must be refused (got $status)"
done

# No locale turns the decimal point into a comma.
if [ -n "$locales" ] && [ -d "$locales/de_DE.UTF-8" ]; then
  LOCPATH=$locales LC_ALL=de_DE.UTF-8 "$dravonix" trips "$work/card" | diff - "$work/trips.tsv" || fail "trips under de_DE"
fi

# A folder of recordings without trips: nothing printed, success.
mkdir "$work/empty"
[ -z "$("$dravonix" trips "$work/empty")" ] || fail "trips of an empty folder"
# Unfinished and garbage files are in no trip, and say so.
cp "$work/card/Normal/alwa_20231225_233429_F.mp4" "$work/empty/alwa_20231225_233429_F.mp4"
head -c 5000 "$work/card/Normal/alwa_20231225_233433_F.mp4" > "$work/empty/alwa_20231225_233433_F.mp4"
"$dravonix" trips "$work/empty" > "$work/one.tsv" 2> "$work/err"
[ "$(wc -l < "$work/one.tsv")" -eq 1 ] || fail "one trip from the one whole file"
grep -q '1 recording(s) without a readable duration' "$work/err" || fail "unmeasured note: $(cat "$work/err")"
# An Event file cut off before its movie box (the power went in the crash) is still an event.
head -c 3000 "$work/card/Event/event_20231225_233435_F.mp4" > "$work/empty/event_20231225_233500_F.mp4"
"$dravonix" events "$work/empty" 2> /dev/null | grep -Pq '^2023-12-25T23:35:00\tevent-file\t.*event_20231225_233500_F\.mp4\t0\.0\t$' \
  || fail "cut-off Event file not listed: $("$dravonix" events "$work/empty" 2>&1)"

# Same seed, same bytes, for the two-drive card too.
"$democard" --seed 5 --seconds 4 --two-trips "$work/again"
cp "$work/again/config.bin" "$work/card/config.bin"
(cd "$work/card" && find . -type f -print0 | sort -z | xargs -0 sha256sum) > "$work/a.sum"
(cd "$work/again" && find . -type f -print0 | sort -z | xargs -0 sha256sum) > "$work/b.sum"
diff "$work/a.sum" "$work/b.sum" > /dev/null || fail "the two-drive card differs between runs"
echo "trips end to end: ok"
