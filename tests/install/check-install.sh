#!/bin/sh
# Installs the build into a scratch prefix and builds small consumers
# against it, through find_package(Kiln) and through pkg-config: one that
# uses the library, one that only calls qdbg() and must get the remote
# output all the same, and one that names every installed class through
# <kiln/kiln.h>.
set -eu
build=$1
here=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
# The programs below write their logs here.
cd "$work"

cmake --install "$build" --prefix "$prefix" >/dev/null

for path in bin/tindle include/kiln/kiln.h include/kiln/qdebug.h lib/cmake/Kiln/KilnConfig.cmake \
            lib/pkgconfig/kiln.pc lib/libkiln_core.a; do
  [ -e "$prefix/$path" ] || { echo "not installed: $path"; exit 1; }
done

cmake -S "$here/consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
"$work/cmake-build/consumer" | grep -q "consumer ok"

flags=$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs kiln)
# shellcheck disable=SC2086
c++ -std=c++17 -o "$work/pc-consumer" "$here/consumer/consumer.cpp" $flags
"$work/pc-consumer" | grep -q "consumer ok"
# shellcheck disable=SC2086
c++ -std=c++17 -o "$work/pc-remote-consumer" "$here/consumer/remote_consumer.cpp" $flags

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
c++ -std=c++17 -fsyntax-only "$work/every_class.cpp" $flags

# Each says whether its datagram arrived.
for program in "$work/cmake-build/remote_consumer" "$work/pc-remote-consumer"; do
  result=$("$program" 2>/dev/null) || { echo "$program: $result"; exit 1; }
  echo "$program: $result"
done

# The installed tool works on its own.
mkdir -p "$work/tree/Upper"
(cd "$work" && "$prefix/bin/tindle" tree 2>&1) | grep -q "1 files tindled."
echo "install ok"
