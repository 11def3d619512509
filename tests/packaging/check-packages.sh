#!/bin/sh
# Checks the Debian packages that make package built: three packages, each
# file in the right one (every installed header, archive, link, CMake and
# pkg-config file in libkiln-dev, the shared library alone in libkiln<N>,
# every program in kiln-tools), no reference to the build or source tree in
# the files a consumer reads, dependencies computed, and no lintian error.
#   check-packages.sh DIR
set -eu
dir=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "$*" >&2; exit 1; }
package() {
  set -- "$dir"/"$1"_*.deb
  [ $# -eq 1 ] && [ -f "$1" ] || fail "no single package $1 in $dir"
  echo "$1"
}
runtime=$(package libkiln1)
dev=$(package libkiln-dev)
tools=$(package kiln-tools)
[ "$(ls "$dir"/*.deb | wc -l)" -eq 3 ] || fail "other packages than the three in $dir"

# The files of a package, as absolute paths, directories left out.
files() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\.||' | sort; }
for deb in "$runtime" "$dev" "$tools"; do
  echo "== $(basename "$deb")"
  dpkg-deb -f "$deb" Package Version Architecture Depends Recommends
  files "$deb"
done > "$work/contents"
cat "$work/contents"

libdir=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
expect() {  # package, then the paths it must hold
  deb=$1; shift
  for path in "$@"; do files "$deb" | grep -qx "$path" || fail "$(basename "$deb") lacks $path"; done
}
expect "$runtime" "$libdir/libkiln.so.1" "$libdir/libkiln.so.1.0.0" \
  /usr/share/doc/libkiln1/copyright /usr/share/doc/libkiln1/changelog.gz
[ "$(files "$runtime" | grep -vc "^/usr/share/doc/")" -eq 2 ] || fail "libkiln1 holds more than the library"

headers=$(cd "$here/lib" && ls */include/kiln/*.h include/kiln/*.h | sed 's|.*/kiln/|/usr/include/kiln/|')
# shellcheck disable=SC2086
expect "$dev" $headers "$libdir/libkiln.so" "$libdir/pkgconfig/kiln.pc" "$libdir/pkgconfig/kiln-static.pc" \
  "$libdir/cmake/Kiln/KilnConfig.cmake" "$libdir/cmake/Kiln/KilnConfigVersion.cmake" \
  "$libdir/cmake/Kiln/KilnTargets.cmake" /usr/share/doc/libkiln-dev/copyright
for layer in core data image net gui scene; do expect "$dev" "$libdir/libkiln_$layer.a"; done
[ "$(files "$dev" | grep -c "^/usr/include/kiln/")" -eq "$(echo "$headers" | wc -l)" ] ||
  fail "libkiln-dev holds headers that are not the library's"

programs=$(sed -n 's/^kiln_add_program(\([^ ]*\).*/\1/p' "$here"/tool/*/CMakeLists.txt | sort)
[ "$(echo "$programs" | wc -l)" -ge 8 ] || fail "too few programs found: $programs"
for program in $programs; do expect "$tools" "/usr/bin/$program"; done
[ "$(files "$tools" | grep -c "^/usr/bin/")" -eq "$(echo "$programs" | wc -l)" ] ||
  fail "kiln-tools holds other programs"

# Dependencies: computed from the binaries, plus the named ones.
dpkg-deb -f "$runtime" Depends | grep -q "libx11-6" || fail "libkiln1 does not depend on Xlib"
dpkg-deb -f "$runtime" Depends | grep -q "libjpeg62-turbo" || fail "libkiln1 does not depend on libjpeg"
dpkg-deb -f "$dev" Depends | grep -q "libkiln1 (= " || fail "libkiln-dev does not depend on its library"
dpkg-deb -f "$dev" Depends | grep -q "libx11-dev" || fail "libkiln-dev does not depend on libx11-dev"
dpkg-deb -f "$tools" Depends | grep -q "libassimp" || fail "kiln-tools does not depend on Assimp"

# What a consumer reads names no place of the build.
mkdir "$work/dev"
dpkg-deb -x "$dev" "$work/dev"
if grep -rl -e "$here" -e "$dir" "$work/dev/usr/lib" --include="*.cmake" --include="*.pc"; then
  fail "the files above name the build"
fi

lintian --fail-on error --tag-display-limit 0 "$runtime" "$dev" "$tools"
echo "packages ok"
