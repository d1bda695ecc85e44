#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The run command makes the demo card's first recording, opens the viewer
# and makes the rest with --keep-existing: the card it ends with is the one a
# single run makes, byte for byte, and no partial file is ever left.
set -euo pipefail
democard=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$democard" --seed 7 --seconds 2 "$work/whole"
"$democard" --seed 7 --seconds 2 --recordings 1 --keep-existing "$work/resumed"
[ "$(find "$work/resumed" -name '*.mp4' | wc -l)" -eq 3 ] || { echo "FAIL: the first step made $(find "$work/resumed" -name '*.mp4' | wc -l) files" >&2; exit 1; }
first=$(find "$work/resumed/Normal" -name '*.mp4' | sort)
touch -d '2000-01-01' $first
"$democard" --seed 7 --seconds 2 --keep-existing --progress "$work/resumed" 2> "$work/progress"
grep -q 'recording 14 of 14: clip_from_phone.mp4 (already there)' "$work/progress" || { cat "$work/progress" >&2; echo "FAIL: progress" >&2; exit 1; }
[ -z "$(find $first -newermt '2001-01-01')" ] || { echo "FAIL: kept files were made again" >&2; exit 1; }
diff -r "$work/whole" "$work/resumed" >&2 || { echo "FAIL: the resumed card differs" >&2; exit 1; }
[ -z "$(find "$work" -name '*.part' -o -name '.encoding*')" ] || { echo "FAIL: partial files left" >&2; exit 1; }
echo "demo card resume: ok"
