#!/usr/bin/env bash
# `dravonix format` on image files: size refusals that say what to change,
# before anything is asked or written, and an image another process holds.
set -euo pipefail
dravonix=$1
work=$(mktemp -d)
holder=
cleanup() { [ -z "$holder" ] || kill "$holder" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

truncate -s 100M "$work/small.img"
set +e
"$dravonix" format "$work/small.img" < /dev/null > "$work/out" 2> "$work/err"; status=$?
set -e
[ "$status" -eq 1 ] || fail "a 100 MB image must be refused (status $status)"
grep -q "is too small for FAT32 with 16K clusters: that makes 6395 clusters, and FAT32 needs at least 65536. --cluster 64K does not fit either" "$work/err" \
  || fail "too small: $(cat "$work/err")"
! grep -q -e '-cXX' -e 'Quit any disk utilities' -e 'Type "yes"' "$work/err" "$work/out" || fail "old advice or a question: $(cat "$work/err")"
[ -z "$(tr -d '\0' < "$work/small.img" | head -c 1)" ] || fail "the refused image was written"

truncate -s 2G "$work/card.img"
set +e
"$dravonix" format "$work/card.img" --cluster 64K --yes > /dev/null 2> "$work/err"; status=$?
set -e
[ "$status" -eq 1 ] && grep -q 'with 64K clusters: that makes 32763 clusters.* Use --cluster 16K (131007 clusters)\.' "$work/err" \
  || fail "64K on 2 GB: $(cat "$work/err")"
"$dravonix" format "$work/card.img" --cluster 16K --yes > /dev/null || fail "16K on 2 GB"
/usr/sbin/fsck.fat -n "$work/card.img" > /dev/null || fail "fsck.fat"

# Another writer holds the image's lock.
flock --no-fork "$work/card.img" sh -c "touch '$work/locked'; exec sleep 60" > /dev/null 2>&1 &
holder=$!
for _ in $(seq 100); do [ -e "$work/locked" ] && break; sleep 0.1; done
set +e
"$dravonix" format "$work/card.img" --yes > /dev/null 2> "$work/err"; status=$?
set -e
[ "$status" -eq 1 ] && grep -q 'card.img is locked by another process that is writing it' "$work/err" || fail "lock: $(cat "$work/err")"
echo "format cli: ok"
