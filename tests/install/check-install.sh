#!/bin/sh
# Installs the build into a scratch prefix and builds small consumers
# against it, through find_package(Kiln) and through pkg-config, each on the
# shared library and on the static archives: one that uses the library, one
# that only calls qdbg() and must get the remote output all the same, and
# one that names every installed class through <kiln/kiln.h>. Then checks
# that the shared library exports only what the installed headers declare.
#   check-install.sh BUILD HERE [TOOLCHAIN_FILE CXXFLAGS]   (as the build was made)
set -eu
build=$1
here=$2
toolchain=${3:-}
cxx="c++ ${4:-}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
# The programs below write their logs here.
cd "$work"

cmake --install "$build" --prefix "$prefix" >/dev/null

libdir=$(sed -n 's/^libdir=${prefix}\///p' "$build/kiln.pc")
for path in bin/tindle include/kiln/kiln.h include/kiln/qdebug.h "$libdir/cmake/Kiln/KilnConfig.cmake" \
            "$libdir/pkgconfig/kiln.pc" "$libdir/pkgconfig/kiln-static.pc" "$libdir/libkiln_core.a" \
            "$libdir/libkiln.so" "$libdir/libkiln.so.1"; do
  [ -e "$prefix/$path" ] || { echo "not installed: $path"; exit 1; }
done
export LD_LIBRARY_PATH="$prefix/$libdir"

# Says whether the program is linked with the shared library as it should be.
linked() {
  if readelf -d "$1" | grep -q "NEEDED.*libkiln\.so\.1"; then kind=shared; else kind=static; fi
  [ "$kind" = "$2" ] || { echo "$1: linked $kind, not $2"; exit 1; }
}

cmake -S "$here/consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" \
  ${toolchain:+-DCMAKE_TOOLCHAIN_FILE="$toolchain"} >/dev/null
cmake --build "$work/cmake-build" >/dev/null
for kind in shared static; do
  suffix=""; [ $kind = static ] && suffix=_static
  linked "$work/cmake-build/consumer$suffix" $kind
  linked "$work/cmake-build/remote_consumer$suffix" $kind
  "$work/cmake-build/consumer$suffix" | grep -q "consumer ok"
done

for module in kiln kiln-static; do
  flags=$(PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig" pkg-config --cflags --libs $module)
  # shellcheck disable=SC2086
  $cxx -std=c++17 -o "$work/pc-consumer-$module" "$here/consumer/consumer.cpp" $flags
  # shellcheck disable=SC2086
  $cxx -std=c++17 -o "$work/pc-remote-consumer-$module" "$here/consumer/remote_consumer.cpp" $flags
  "$work/pc-consumer-$module" | grep -q "consumer ok"
done
linked "$work/pc-consumer-kiln" shared
linked "$work/pc-consumer-kiln-static" static

# <kiln/kiln.h> alone names every class of every installed header, so a
# header left out of it can't go unnoticed.
classes=$(sed -n -E 's/^(class|struct) ([A-Za-z_][A-Za-z0-9_]*)( final)?( *:[^;{]*)? *\{.*/\2/p' \
  "$prefix"/include/kiln/*.h | sort -u)
[ "$(echo "$classes" | wc -l)" -gt 90 ] || { echo "too few classes found in the headers: $classes"; exit 1; }
{
  echo "#include <kiln/kiln.h>"
  for class in $classes; do echo "[[maybe_unused]] $class *named_$class = nullptr;"; done
} > "$work/every_class.cpp"
# shellcheck disable=SC2086
$cxx -std=c++17 -fsyntax-only "$work/every_class.cpp" $flags

# Each says whether its datagram arrived.
for program in "$work"/cmake-build/remote_consumer* "$work"/pc-remote-consumer-*; do
  result=$("$program" 2>/dev/null) || { echo "$program: $result"; exit 1; }
  echo "$program: $result"
done

# Every name the shared library exports is declared in an installed
# header: none from the library's own namespace, and the leading name of
# every other (the class or function; the standard library's templates
# aside) appears in the headers.
exported=$(nm -D -C --defined-only "$prefix/$libdir/libkiln.so" | cut -d' ' -f3- |
           sed -E 's/^(typeinfo name for |typeinfo for |vtable for |non-virtual thunk to |guard variable for )//')
if echo "$exported" | grep -q "^kiln::"; then
  echo "internal names exported:"; echo "$exported" | grep "^kiln::" | head; exit 1
fi
names=$(echo "$exported" | grep -v -E "^((void|bool) )?(std|__gnu_cxx)::|^(_edata|_end|__bss_start)$" |
        sed -E 's/^([A-Za-z_][A-Za-z0-9_]*).*/\1/' | sort -u)
[ "$(echo "$names" | wc -l)" -gt 150 ] || { echo "too few names exported: $names"; exit 1; }
cat "$prefix"/include/kiln/*.h > "$work/headers"
for name in $names; do
  grep -qw "$name" "$work/headers" || { echo "exported but in no installed header: $name"; exit 1; }
done

# The installed tool works on its own.
mkdir -p "$work/tree/Upper"
(cd "$work" && "$prefix/bin/tindle" tree 2>&1) | grep -q "1 files tindled."
echo "install ok"
