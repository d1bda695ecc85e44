#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `cmake --install` into a DESTDIR: exactly the expected files, a desktop
# entry and AppStream metadata that pass their validators and agree with
# each other, icons of the sizes their folders name, manual pages without
# warnings, and programs that answer --version from where they were put.
set -uo pipefail
build=$1 version=$2 id=$3 expected=$4 modules=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

DESTDIR=$work/root cmake --install "$build" --prefix /usr > "$work/install.log" 2>&1 \
  || { cat "$work/install.log" >&2; echo "FAIL: cmake --install" >&2; exit 1; }
root=$work/root
(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort) > "$work/installed"
sed "s/@ID@/$id/g; s|@MODULES@|$modules|g" "$expected" | LC_ALL=C sort > "$work/expected"
diff -u "$work/expected" "$work/installed" >&2 || fail "the installed files differ from the list"

desktop=$root/usr/share/applications/$id.desktop
metainfo=$root/usr/share/metainfo/$id.metainfo.xml
desktop-file-validate "$desktop" >&2 || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$metainfo" > "$work/appstream" 2>&1 || { cat "$work/appstream" >&2; fail "appstreamcli validate"; }
grep -q '^Validation was successful\|✔' "$work/appstream" || fail "appstreamcli said: $(cat "$work/appstream")"
entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(entry Exec | cut -d' ' -f1)" = dravonix-viewer ] || fail "Exec=$(entry Exec)"
[ "$(entry Icon)" = "$id" ] || fail "Icon=$(entry Icon)"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "the metadata's launchable"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metadata's release is not $version"
grep -q '<screenshot type="default">' "$metainfo" && grep -q '<description>' "$metainfo" || fail "screenshot or description"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" || fail "project licence"

# A PNG's width and height are the big-endian words at bytes 16 and 20.
for png in "$root"/usr/share/icons/hicolor/*/apps/"$id".png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
  [ "${w}x${h}" = "$size" ] || fail "$size icon is ${w}x${h}"
done
grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/$id.svg" || fail "the SVG icon"

for page in dravonix dravonix-viewer; do
  man_file=$root/usr/share/man/man1/$page.1.gz
  source_text=$(zcat "$man_file")
  grep -q "^\.TH .* \"Dravonix $version\"" <<< "$source_text" || fail "$page(1) does not name version $version"
  warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z <<< "$source_text" 2>&1)
  [ -z "$warnings" ] || fail "$page(1): $warnings"
done

[ "$(env -u DISPLAY "$root/usr/bin/dravonix-viewer" --version)" = "dravonix-viewer $version" ] || fail "installed viewer --version"
[ "$("$root/usr/bin/dravonix" --version)" = "dravonix $version" ] || fail "installed dravonix --version"
# The installed command finds its export module: an export of an empty folder
# gets as far as the module saying there is nothing to export.
mkdir "$work/empty"
"$root/usr/bin/dravonix" export "$work/empty" --from "2023-01-01 00:00:00" --to "2023-01-01 00:01:00" "$work/out" \
  > /dev/null 2> "$work/export.err" && fail "an export of an empty folder succeeded"
grep -q "export module" "$work/export.err" && fail "installed export: $(cat "$work/export.err")"
grep -qi "record" "$work/export.err" || fail "installed export said: $(cat "$work/export.err")"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)" >&2; exit 1; }
echo "install tree: ok"
