#!/bin/sh
# Runs every fuzzing harness for FUZZ_SECONDS (10 by default), or until it
# has run FUZZ_RUNS inputs when that is set, on its seed corpus and prints
# how many inputs each tried a second. FUZZ_ONLY="a b" runs only those.
#   fuzz-run.sh BIN_DIR SEED_DIR [KEEP_DIR]
# New inputs go to a scratch corpus: removed afterwards, or kept in
# KEEP_DIR (outside the checkout) with any crashing input, to go on from
# there next time. The seeds stay as committed. An input that runs past 25
# seconds fails the harness (a hang is a fault).
set -eu
bin=$(cd "$1" && pwd)
corpus=$(cd "$2" && pwd)
keep=${3:-}
seconds=${FUZZ_SECONDS:-10}
runs=${FUZZ_RUNS:-}
if [ -n "$runs" ]; then budget="-runs=$runs"; else budget="-max_total_time=$seconds"; fi
here=$(cd "$(dirname "$0")/.." && pwd)
# The harnesses that draw (offscreen) keep Mesa to the calling thread: no
# threads for the leak checker to stop, and no shader cache written to the
# home directory.
. "$here/scripts/sanitizer-env.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# What a harness makes for itself goes with the run.
export TMPDIR="$work"
if [ -n "$keep" ]; then
  mkdir -p "$keep"
  found=$(cd "$keep" && pwd)
else
  found=$work/found
fi
failed=0
for harness in "$bin"/fuzz_*; do
  [ -x "$harness" ] || continue
  name=$(basename "$harness" | sed 's/^fuzz_//')
  if [ -n "${FUZZ_ONLY:-}" ]; then
    case " $FUZZ_ONLY " in *" $name "*) ;; *) continue ;; esac
  fi
  mkdir -p "$found/$name" "$work/$name.run"
  if [ -n "$runs" ]; then echo "== fuzz $name ($runs inputs)"; else echo "== fuzz $name (${seconds}s)"; fi
  began=$(date +%s)
  if ! (cd "$work/$name.run" && "$harness" "$budget" -timeout=25 -print_final_stats=1 \
          -artifact_prefix="$found/$name-" "$found/$name" "$corpus/$name" >"$work/$name.log" 2>&1); then
    tail -n 40 "$work/$name.log"
    echo "FAILED: $name (the input is kept as $found/$name-*)"
    failed=1
  else
    done=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log")
    took=$(( $(date +%s) - began ))
    [ "$took" -gt 0 ] || took=1
    echo "$done inputs in ${took}s, $((done / took)) a second"
  fi
done
exit $failed
