#!/usr/bin/env bash
# The CLI against what an attacker or an unlucky user hands it: device nodes,
# FIFOs, links, files of the wrong size, odd numbers and dates, names that
# are not UTF-8, and a decimal-comma locale. Every case must end with a clear
# message (exit 1, never an abort or a hang) and leave every file as it was.
set -uo pipefail
dravonix=$1
card=$2     # a demo card with recordings and a route log
locales=$3  # a folder holding a generated de_DE.UTF-8
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# run EXPECTED-STATUS MESSAGE-PART COMMAND...: the status and, for failures, stderr.
run() {
  local want=$1 part=$2; shift 2
  timeout 20 "$@" > "$work/out" 2> "$work/err"
  local status=$?
  [ "$status" -eq "$want" ] || { fail "$* exited $status, not $want: $(cat "$work/err")"; return; }
  [ -z "$part" ] || grep -qF -- "$part" "$work/err" || fail "$*: no \"$part\" in: $(cat "$work/err")"
}

mkfifo "$work/fifo.mp4" "$work/config-fifo.bin" "$work/route.drv"
ln -s /dev/null "$work/null-link.bin"
ln -s /dev/stdout "$work/stdout.csv"
: > "$work/empty.bin"

# Inputs that are not regular files are refused at once.
run 1 "is a character device" "$dravonix" config show /dev/zero
run 1 "is a character device" "$dravonix" config show /dev/null
run 1 "is a character device" "$dravonix" config show "$work/null-link.bin"
run 1 "is a FIFO" "$dravonix" config show "$work/config-fifo.bin"
run 1 "is a FIFO" "$dravonix" telemetry "$work/fifo.mp4"
run 1 "is a FIFO" "$dravonix" route "$work/route.drv"
run 1 "is a folder" "$dravonix" config show "$work"
run 1 "is empty: not a configuration" "$dravonix" config show "$work/empty.bin"
run 1 "the file is empty" "$dravonix" telemetry "$work/empty.bin"

# Outputs: only regular files or new names; links lead to the file they name.
for target in /dev/null "$work/null-link.bin" "$work/config-fifo.bin"; do
  run 1 "only a regular file is replaced" "$dravonix" config defaults "$target"
done
[ -p "$work/config-fifo.bin" ] && [ -L "$work/null-link.bin" ] && [ -c /dev/null ] || fail "a special file was replaced"
run 1 "only a regular file is replaced" "$dravonix" timeset --at "2025-01-05 07:08:09" "$work/config-fifo.bin"
# Standard output as a pipe, through a link: refused, not turned into a file.
timeout 20 "$dravonix" route "$card/DrvInfo/dravonix_000.drv" --csv "$work/stdout.csv" 2> "$work/err" | cat > /dev/null
[ "${PIPESTATUS[0]}" -eq 1 ] && grep -qF "only a regular file is replaced" "$work/err" \
  || fail "--csv through a link to a pipe: $(cat "$work/err")"
mkdir "$work/real"
run 0 "" "$dravonix" config defaults "$work/real/config.bin"
ln -s real/config.bin "$work/config.bin"
chmod 0640 "$work/real/config.bin"
run 0 "" "$dravonix" config set "$work/config.bin" speedUnit=1
[ -L "$work/config.bin" ] || fail "the link was replaced"
[ "$(stat -c %a "$work/real/config.bin")" = 640 ] || fail "the mode was not kept"

# The route log is never replaced by its own CSV.
cp "$card/DrvInfo/dravonix_000.drv" "$work/log.drv"
cp "$work/log.drv" "$work/log-before.drv"
run 1 "would replace the route file" "$dravonix" route "$work/log.drv" --csv "$work/log.drv"
ln -s log.drv "$work/log-link.csv"
run 1 "would replace the route file" "$dravonix" route "$work/log.drv" --csv "$work/log-link.csv"
cmp -s "$work/log.drv" "$work/log-before.drv" || fail "the route log changed"

# A log without records is said so, and no CSV of titles alone appears (nor
# replaces an older export).
printf '\003\000\000\000\000\000\000\000\000\000\000\000' > "$work/no-records.drv"
run 1 "holds no records; nothing written" "$dravonix" route "$work/no-records.drv" --csv "$work/none.csv"
[ ! -e "$work/none.csv" ] || fail "a CSV was written for a log without records"
echo "older export" > "$work/older.csv"
run 1 "holds no records" "$dravonix" route "$work/no-records.drv" --csv "$work/older.csv"
[ "$(cat "$work/older.csv")" = "older export" ] || fail "an older export was replaced by titles alone"
run 1 "holds no records" "$dravonix" route "$work/no-records.drv"
[ ! -s "$work/out" ] || fail "titles alone on standard output"

# config set takes only the camera's 500-byte file, and leaves others alone.
for size in 0 1 499 501 10485760; do
  head -c "$size" /dev/zero > "$work/sized.bin"
  run 1 "holds $size bytes, not 500" "$dravonix" config set "$work/sized.bin" speedUnit=1
  [ "$(stat -c %s "$work/sized.bin")" -eq "$size" ] || fail "a $size-byte file was rewritten"
done

# Numbers: decimal with leading zeros, no signs; thresholds stored as typed.
field() { "$dravonix" config show "$work/real/config.bin" | awk -F'\t' -v n="$1" '$2 == n { print $3 }'; }
run 0 "" "$dravonix" config set "$work/real/config.bin" timeZone=010
[ "$(field timeZone)" = 10 ] || fail "010 is ten, not octal eight"
for bad in "+-5" "--0.5" "-1" "5 " "0x" "1e3" "٣"; do
  run 1 "is not a number" "$dravonix" config set "$work/real/config.bin" "ldwsSpeed=$bad"
done
for typed in 29 57 58 113 114 115 116; do
  run 0 "" "$dravonix" config set "$work/real/config.bin" drivingImpactX=$typed
  [ "$(field drivingImpactX)" = "$typed" ] || fail "threshold $typed stored as $(field drivingImpactX)"
  run 0 "" "$dravonix" config set "$work/real/config.bin" speedUnit=0
  [ "$(field drivingImpactX)" = "$typed" ] || fail "threshold $typed drifted on an unrelated change"
done
run 1 "outside 5 to 150" "$dravonix" config set "$work/real/config.bin" drivingImpactY=151
run 1 "add up to 40, not 100" "$dravonix" config set "$work/real/config.bin" shareAlways=10 shareEvent=10 shareParking=20
run 0 "" "$dravonix" config set "$work/real/config.bin" shareAlways=60 shareEvent=20 shareParking=20
run 1 "at most 8 characters" "$dravonix" config set "$work/real/config.bin" plateText=ABCDEFGHI
run 1 "at most 15 characters" "$dravonix" config set "$work/real/config.bin" wifiName=0123456789abcdef

# Only what a settings page could store; the refusal names what is allowed.
cp "$work/real/config.bin" "$work/before-tables.bin"
run 1 "frontVideoQuality: 3 must be one of 0 (Normal), 1 (High), 2 (Highest)" "$dravonix" config set "$work/real/config.bin" frontVideoQuality=3
run 1 "must be one of 0 (Not Use), 20 (20Mi/h)" "$dravonix" config set "$work/real/config.bin" speedUnit=1 ldwsSpeed=100
run 1 "highTempEntryTemperature: -31 must be from -30 to 97" "$dravonix" config set "$work/real/config.bin" highTempEntryTemperature=-31
run 1 "is not a number" "$dravonix" config set "$work/real/config.bin" frontVideoQuality=-1
cmp -s "$work/real/config.bin" "$work/before-tables.bin" || fail "a refused value changed the file"
run 0 "" "$dravonix" config set "$work/real/config.bin" speedUnit=1 ldwsSpeed=25 highTempEntryTemperature=-30 reserved32=4000000000
[ "$(field highTempEntryTemperature)" = 4294967266 ] && [ "$(field reserved32)" = 4000000000 ] || fail "signed or raw values"
"$dravonix" config show "$work/real/config.bin" | grep -q $'^397\tldwsSpeed\t25\t25Mi/h$' || fail "meaning of the LDWS speed"
"$dravonix" config show "$work/real/config.bin" | grep -q $'^168\ttimeZone\t10\t-03:30$' || fail "meaning of the time zone"
"$dravonix" config show "$work/real/config.bin" | grep -q $'^128\thighTempEntryTemperature\t4294967266\t-30$' || fail "signed reading"
"$dravonix" config --help > "$work/help.txt"
grep -q 'reserved32: any number' "$work/help.txt" || fail "config --help on raw fields"
grep -q 'frontVideoQuality: 0=Normal, 1=High, 2=Highest' "$work/help.txt" || fail "config --help on coded fields"
grep -q 'fcwsSpeed: with speedUnit=0 (km/h) 0=Not Use, 30, 50, 70, 90; with speedUnit=1 (mph) 0=Not Use, 20, 30, 45, 55$' "$work/help.txt" \
  || fail "config --help on the ADAS speeds"
run 0 "" "$dravonix" config set "$work/real/config.bin" speedUnit=0 ldwsSpeed=30

# The clock file: four-digit years from 1601 only, and an empty --at is no time.
for at in "" "10000-01-01 00:00:00" "1600-12-31 23:59:59" "999-01-01 00:00:00" "2023-02-29 00:00:00" "2023-01-01 00:00"; do
  run 1 "is not a date and time" "$dravonix" timeset --at "$at" "$work/timeset.cfg"
done
[ ! -e "$work/timeset.cfg" ] || fail "a refused time wrote the clock file"
run 0 "" "$dravonix" timeset --at "1601-01-01 00:00:00" "$work/timeset.cfg"
[ "$(cat "$work/timeset.cfg")" = "1601/01/01 00:00:00" ] || fail "timeset 1601"

# A recording whose name is not UTF-8 and holds control characters opens
# from the command line, and its GPX stays well-formed XML.
event=$(find "$card" -name 'event_*_F.mp4' | head -1)
odd=$(printf '%s/odd\xff\x01name.mp4' "$work")
cp "$event" "$odd"
run 0 "" "$dravonix" telemetry "$odd" --format gpx
xmllint --noout "$work/out" || fail "GPX of an odd name is not well-formed"

# A decimal-comma locale changes none of the numbers written.
export LOCPATH=$locales LC_ALL=de_DE.UTF-8
run 0 "" "$dravonix" route "$card/DrvInfo/dravonix_000.drv"
awk -F, 'NF != 15 { bad = 1 } END { exit bad }' "$work/out" || fail "CSV rows lost their 15 fields under de_DE"
grep -q '[0-9]\.[0-9]' "$work/out" || fail "no decimal point in the route CSV"
run 0 "" "$dravonix" config set "$work/real/config.bin" drivingImpactX=29 drivingImpactY=57
[ "$(field drivingImpactY)" = 57 ] || fail "thresholds under de_DE"
run 0 "" "$dravonix" telemetry "$event"
awk -F, 'NR > 1 && NF != 19 { bad = 1 } END { exit bad }' "$work/out" || fail "telemetry CSV fields under de_DE"

# Output lost to a full disk is a failure, never a success.
for command in "config show $work/real/config.bin" "config --help" "card" "route $card/DrvInfo/dravonix_000.drv"; do
  timeout 20 "$dravonix" $command > /dev/full 2> "$work/err"; status=$?
  [ "$status" -eq 1 ] && grep -qF "could not write the output" "$work/err" \
    || fail "dravonix $command > /dev/full exited $status: $(cat "$work/err")"
done

[ "$failures" -eq 0 ] || { echo "$failures failure(s)" >&2; exit 1; }
echo "hostile inputs: all refused cleanly"
