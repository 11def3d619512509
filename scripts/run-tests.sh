#!/bin/sh
# Runs the whole test suite of one build directory with ctest.
set -eu
build=$1
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/sanitizer-env.sh"
cd "$build"
ctest --output-on-failure -j "$(nproc 2>/dev/null || echo 2)" --timeout 600
