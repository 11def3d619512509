#!/bin/sh
# Runs every fuzzing harness briefly on its seed corpus.
set -eu
bin=$(cd "$1" && pwd)
corpus=$(cd "$2" && pwd)
seconds=${FUZZ_SECONDS:-10}
failed=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for harness in "$bin"/fuzz_*; do
  [ -x "$harness" ] || continue
  name=$(basename "$harness" | sed 's/^fuzz_//')
  seeds="$corpus/$name"
  # New inputs go to a scratch corpus; the seeds stay as committed.
  mkdir -p "$work/$name"
  echo "== fuzz $name (${seconds}s)"
  if ! (cd "$work" && "$harness" -max_total_time="$seconds" -print_final_stats=0 \
          "$work/$name" "$seeds" >"$work/$name.log" 2>&1); then
    tail -n 40 "$work/$name.log"
    echo "FAILED: $name"
    failed=1
  else
    grep -E '^#[0-9]+.*DONE' "$work/$name.log" | tail -n 1 || true
  fi
done
exit $failed
