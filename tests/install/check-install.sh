#!/bin/sh
# Installs the build into a scratch prefix and builds two small consumers
# against it: one through find_package(Kiln), one through pkg-config.
set -eu
build=$1
here=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

cmake --install "$build" --prefix "$prefix" >/dev/null

for path in bin/tindle include/kiln/kiln.h include/kiln/qdebug.h lib/cmake/Kiln/KilnConfig.cmake \
            lib/pkgconfig/kiln.pc lib/libkiln_core.a; do
  [ -e "$prefix/$path" ] || { echo "not installed: $path"; exit 1; }
done

cmake -S "$here/consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
"$work/cmake-build/consumer" | grep -q "consumer ok"

PKG_CONFIG_PATH="$prefix/lib/pkgconfig" \
  c++ -std=c++17 -o "$work/pc-consumer" "$here/consumer/consumer.cpp" \
  $(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs kiln)
"$work/pc-consumer" | grep -q "consumer ok"

# The installed tool works on its own.
mkdir -p "$work/tree/Upper"
(cd "$work" && "$prefix/bin/tindle" tree 2>&1) | grep -q "1 files tindled."
echo "install ok"
