#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `cpack -G DEB`: the package's file list is what `cmake --install` puts in
# place, its control fields name it, its version and architecture, the
# libraries' packages dpkg-shlibdeps found and the plug-ins libvlc loads;
# its programs are stripped; apt could install it here; lintian (when
# installed) finds no error.
set -uo pipefail
build=$1 version=$2 id=$3 expected=$4 modules=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

(cd "$build" && cpack --config CPackConfig.cmake -G DEB -B "$work/out") > "$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log" >&2; echo "FAIL: cpack" >&2; exit 1; }
arch=$(dpkg --print-architecture)
deb=$work/out/dravonix_${version}-1_${arch}.deb
[ -f "$deb" ] || { ls "$work/out" >&2; echo "FAIL: no $deb" >&2; exit 1; }

dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./||' | LC_ALL=C sort > "$work/files"
sed "s/@ID@/$id/g; s|@MODULES@|$modules|g" "$expected" | LC_ALL=C sort > "$work/expected"
diff -u "$work/expected" "$work/files" >&2 || fail "the package's files differ from the list"
owners=$(dpkg-deb -c "$deb" | awk '{ print $2 }' | sort -u)
[ "$owners" = root/root ] || fail "files owned by $owners"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = dravonix ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version-1" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = video ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] && [ -n "$(field Homepage)" ] || fail "Maintainer or Homepage missing"
summary=$(field Description)
summary=${summary%%$'\n'*}
[[ "$summary" == *"dash camera"* ]] || fail "Description: $summary"
depends=$(field Depends)
names=$(tr ',' '\n' <<< "$depends" | awk '{ print $1 }')
for needed in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6network6 libqt6webenginewidgets6 libvlc5 vlc-plugin-base \
    libavformat59 libavcodec59 libavfilter8 libavutil57 libssl3 fonts-dejavu-core; do
  grep -qxF "$needed" <<< "$names" || fail "Depends lacks $needed: $depends"
done
grep -q '(>= ' <<< "$depends" || fail "Depends has no versions: dpkg-shlibdeps did not run"

dpkg-deb -x "$deb" "$work/root"
for program in dravonix dravonix-viewer; do
  sections=$(readelf -S "$work/root/usr/bin/$program")
  grep -q '\.debug_info' <<< "$sections" && fail "$program is not stripped"
done

# Whether apt could install it here, without installing it.
if [ -n "$(ls /var/lib/apt/lists/*_Packages* 2>/dev/null)" ]; then
  apt-get install --simulate --no-install-recommends "$deb" > "$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt could not install it"; }
else
  echo "no apt lists: the install simulation is left out" >&2
fi
if command -v lintian > /dev/null; then
  lintian --fail-on error "$deb" >&2 || fail "lintian found errors"
fi

[ "$failures" -eq 0 ] || { echo "$failures failure(s)" >&2; exit 1; }
echo "package: ok"
