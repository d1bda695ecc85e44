#!/usr/bin/env bash
# Starts the viewer twice: the second copy must exit 0 at once while the first
# runs. Then a lock whose process is gone must not stop the next start.
set -euo pipefail
viewer=$1
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'kill "$first" 2>/dev/null || true; rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=offscreen
fail() { echo "FAIL: $*" >&2; exit 1; }

"$viewer" & first=$!
for _ in $(seq 50); do [ -e "$runtime/dravonix-viewer.lock" ] && break; sleep 0.1; done
[ -e "$runtime/dravonix-viewer.lock" ] || fail "the first copy took no lock"
start=$(date +%s%N)
timeout 10 "$viewer"; status=$?
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$status" -eq 0 ] || fail "second copy exit status $status"
[ "$elapsed" -lt 3000 ] || fail "second copy took $elapsed ms"
kill -0 "$first" || fail "the first copy died"
kill -9 "$first"; wait "$first" 2>/dev/null || true

# The dead copy's lock is still there; the next start must take it over.
[ -e "$runtime/dravonix-viewer.lock" ] || fail "expected a stale lock"
"$viewer" & again=$!
sleep 2
kill -0 "$again" || fail "a stale lock blocked the start"
kill "$again"; wait "$again" 2>/dev/null || true
echo "single instance: ok"
