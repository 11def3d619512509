#!/bin/sh
# Runs every benchmark of one build directory.
set -eu
build=$1
here=$(cd "$(dirname "$0")" && pwd)
sh "$here/tindle_bench.sh" "$build/bin"
for program in "$build"/bin/bench_*; do
  case "$program" in
    */bench_make_tree) ;;
    */bench_archive) "$program" "$here/.." ;;
    *) [ -x "$program" ] && "$program" ;;
  esac
done
