#!/bin/sh
# The long forms of the abuse tests: random input on every example program
# and kiln-view for SOAK_SECONDS each (600 by default) in the sanitizer
# build, then world_ring and lower_third for 100,000 frames each in the
# normal build, their memory watched.
#   soak.sh BUILD_DIR ASAN_BUILD_DIR
set -eu
build=$(cd "$1" && pwd)
asan=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${SOAK_SECONDS:-600}
. "$here/scripts/sanitizer-env.sh"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
failed=0
# Runs the tests of a build that match, printing what they measured.
run() {
  dir=$1 pattern=$2 timeout=$3 shown=$4
  status=0
  (cd "$dir" && ctest --output-on-failure -V -R "$pattern" --timeout "$timeout") >"$log" 2>&1 || status=$?
  grep -E "$shown|Passed|Failed|Failure" "$log" || true
  [ "$status" -eq 0 ] || failed=1
}
KILN_MONKEY_SECONDS=$seconds run "$asan" Monkey $((seconds * 3 + 300)) 'seed|events sent|ended'
KILN_LONG_FRAMES=${SOAK_FRAMES:-100000} run "$build" LongRun 7200 'resident'
exit $failed
