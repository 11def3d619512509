#!/bin/sh
# Runs every benchmark of one build directory, each in a scratch directory
# of its own, and names the ones that failed.
set -u
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d /tmp/kiln-bench-run-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
failed=""

run() {
  name=$1
  shift
  mkdir -p "$scratch/$name"
  if ! (cd "$scratch/$name" && "$@"); then
    failed="$failed $name"
  fi
}

run tindle sh "$here/tindle_bench.sh" "$build/bin"
for program in "$build"/bin/bench_*; do
  [ -x "$program" ] || continue
  name=$(basename "$program")
  case "$name" in
    bench_make_tree) ;;
    bench_archive) run "$name" "$program" "$here/.." ;;
    # It draws: an X server of its own.
    bench_scene | bench_canvas | bench_events | bench_app | bench_texfont | bench_states | bench_gels | bench_filters | bench_world | bench_view) run "$name" xvfb-run -a -s "-screen 0 1280x1024x24" "$program" ;;
    *) run "$name" "$program" ;;
  esac
done

if [ -n "$failed" ]; then
  echo "benchmarks that failed:$failed" >&2
  exit 1
fi
