#!/bin/sh
# Makes the seeds of the next runs: what earlier runs found (KEEP_DIR) and
# the seeds, minimised by each harness to the inputs that reach what the
# whole reaches, written over the seed directories.
#   fuzz-seeds.sh BIN_DIR SEED_DIR KEEP_DIR
set -eu
bin=$(cd "$1" && pwd)
corpus=$(cd "$2" && pwd)
keep=$(cd "$3" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/sanitizer-env.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR="$work"
for harness in "$bin"/fuzz_*; do
  [ -x "$harness" ] || continue
  name=$(basename "$harness" | sed 's/^fuzz_//')
  if [ -n "${FUZZ_ONLY:-}" ]; then
    case " $FUZZ_ONLY " in *" $name "*) ;; *) continue ;; esac
  fi
  [ -d "$keep/$name" ] || continue
  mkdir -p "$work/$name" "$work/$name.run"
  (cd "$work/$name.run" && "$harness" -merge=1 -timeout=25 "$work/$name" "$corpus/$name" "$keep/$name" \
     >"$work/$name.log" 2>&1) || { tail -n 20 "$work/$name.log"; exit 1; }
  rm -rf "${corpus:?}/$name"
  mv "$work/$name" "$corpus/$name"
  echo "$name: $(ls "$corpus/$name" | wc -l) seeds, $(du -sk "$corpus/$name" | cut -f1) KiB"
done
