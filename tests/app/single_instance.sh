#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The viewer as a user starts it, headless: one copy per user; a second start
# hands its folder to the running one and ends at once; a lock left by a dead
# copy does not stop the next start. Without a folder the viewer lists the
# camera's card, else the folder it listed last. The terminal stays quiet
# unless --verbose, and --help needs no display at all.
set -uo pipefail
viewer=$1
work=$(mktemp -d)
chmod 700 "$work"
pids=()
trap 'for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen
mkdir -m 700 "$XDG_RUNTIME_DIR"
# The list's first paint names how many recordings it shows.
export QT_LOGGING_RULES="dravonix.viewer.info=true"
fail() { echo "FAIL: $*" >&2; exit 1; }
settings=$XDG_CONFIG_HOME/dravonix/dravonix-viewer.conf

# A card (its 500-byte config.bin) with one recording, and a folder with two.
mkdir -p "$work/card/Normal" "$work/trip"
head -c 500 /dev/zero > "$work/card/config.bin"
: > "$work/card/Normal/alwa_20230615_071500_F.mp4"
: > "$work/trip/alwa_20230615_080000_F.mp4"
: > "$work/trip/alwa_20230615_080000_R.mp4"

start() { # LOG ARGS...: a viewer in the background; its pid in $last
  local log=$1; shift
  "$viewer" "$@" 2> "$log" & last=$!
  pids+=("$last")
}
wait_for() { # SECONDS COMMAND...
  local tries=$(($1 * 10)); shift
  for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
  return 1
}
listed() { grep -q "list of $2 recordings painted" "$1"; }
remembered() { grep -qF "lastFolder=@ByteArray($1)" "$settings" 2>/dev/null; }

# --help and --version answer without a window system.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$viewer" --help) || fail "--help without a display"
grep -q '\[FOLDER\]' <<< "$out" || fail "--help says: $out"
[ "$(env -u DISPLAY QT_QPA_PLATFORM=xcb "$viewer" --version)" = "dravonix-viewer $2" ] || fail "--version"
env -u DISPLAY QT_QPA_PLATFORM=xcb "$viewer" --no-such-option 2> "$work/err"; status=$?
[ "$status" -eq 2 ] && grep -q 'no-such-option' "$work/err" || fail "an unknown option: status $status"

# No folder given: the card is found and listed, and remembered.
DRAVONIX_TEST_VOLUMES="/nonexistent=STICK;$work/card=DRAVONIX" start "$work/first.log"
first=$last
wait_for 20 listed "$work/first.log" 1 || fail "the card was not listed: $(cat "$work/first.log")"
wait_for 5 remembered "$work/card" || fail "the card was not remembered"

# A second start hands its folder (relative to where it starts) over and ends.
begin=$(date +%s%N)
(cd "$work" && timeout 10 "$viewer" trip) 2> "$work/second.log"; status=$?
elapsed=$(( ($(date +%s%N) - begin) / 1000000 ))
[ "$status" -eq 0 ] || fail "second copy exit status $status: $(cat "$work/second.log")"
[ "$elapsed" -lt 3000 ] || fail "second copy took $elapsed ms"
[ ! -s "$work/second.log" ] || fail "the second copy said: $(cat "$work/second.log")"
wait_for 10 listed "$work/first.log" 2 || fail "the running copy did not list the handed folder"
wait_for 5 remembered "$work/trip" || fail "the handed folder was not remembered"
kill -0 "$first" || fail "the first copy died"

# Quiet: nothing but what Qt's web engine says as root or without a display.
grep -v -e 'recordings painted at' -e '^Sandboxing disabled by user\.$' -e '^No suitable graphics backend found$' \
  -e '^This plugin does not support raise()$' -e '^$' \
  "$work/first.log" > "$work/noise"
[ ! -s "$work/noise" ] || fail "the terminal was not quiet: $(cat -A "$work/noise")"

kill -9 "$first"; wait "$first" 2>/dev/null
# The dead copy's lock and socket are still there; the next start takes them
# over, and without a card lists the folder listed last.
[ -e "$XDG_RUNTIME_DIR/dravonix-viewer.lock" ] || fail "expected a stale lock"
DRAVONIX_TEST_VOLUMES="" start "$work/again.log"
wait_for 20 listed "$work/again.log" 2 || fail "a stale lock blocked the start, or the last folder was not listed"
kill "$last"; wait "$last" 2>/dev/null

# --verbose lets the web engine's report through.
start "$work/verbose.log" --verbose "$work/trip"
wait_for 20 grep -q 'qt.webenginecontext' "$work/verbose.log" || fail "--verbose hid the web engine's report"
kill "$last"; wait "$last" 2>/dev/null
echo "single instance: ok"
