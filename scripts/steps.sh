# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the run and test commands: each step is announced with the time
# since the start, and a failure ends with one line saying which step failed
# and what to do about it.

dravonix_started=$SECONDS
dravonix_step_name=""
dravonix_step_hint=""

dravonix_elapsed() {
  local s=$((SECONDS - dravonix_started))
  if [ "$s" -ge 60 ]; then printf '%d min %02d s' $((s / 60)) $((s % 60)); else printf '%d s' "$s"; fi
}

# dravonix_step WHAT HINT: announces WHAT; HINT is what to do should it fail.
dravonix_step() {
  dravonix_step_name=$1
  dravonix_step_hint=$2
  printf '\n==> %s  [%s]\n' "$1" "$(dravonix_elapsed)" >&2
}

dravonix_failed() {
  local status=$?
  trap - ERR
  printf '\n%s: %s failed (status %d). %s\n' "$(basename "$0")" "${dravonix_step_name:-the setup}" "$status" \
    "$dravonix_step_hint" >&2
  exit "$status"
}

set -eEuo pipefail
trap dravonix_failed ERR
