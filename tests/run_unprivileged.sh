#!/usr/bin/env bash
# Runs a test program as "nobody" when started as root, else as is.
set -euo pipefail
setpriv=$1
shift
if [ "$(id -u)" -ne 0 ]; then exec "$@"; fi
drop=("$setpriv" --reuid=nobody --regid=nogroup --clear-groups)
# A checkout below a private folder can't be reached by nobody: skip then.
"${drop[@]}" test -x "$1" || { echo "nobody cannot reach $1: skipped"; exit 77; }
exec "$setpriv" --reuid=nobody --regid=nogroup --clear-groups env TMPDIR=/tmp HOME=/tmp "$@"
