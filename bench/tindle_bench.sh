#!/bin/sh
# tindle against find(1) and rename(1) on a tree of 100,000 entries.
#   tindle_bench.sh BIN_DIR
set -eu
bin=$(cd "$1" && pwd)
reps=${BENCH_REPS:-5}
entries=${BENCH_ENTRIES:-100000}
work=$(mktemp -d /tmp/kiln-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

now() { date +%s%N; }

# Median of the numbers on standard input.
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Runs "$@" reps times and prints the median time in milliseconds; $prepare
# (a shell command) runs untimed before each repetition.
measure() {
  prepare=$1
  shift
  for _ in $(seq "$reps"); do
    eval "$prepare"
    start=$(now)
    "$@" >/dev/null 2>&1
    end=$(now)
    echo $(( (end - start) / 1000000 ))
  done | median
}

echo "building trees of $entries entries..."
"$bin/bench_make_tree" mixed "$entries" $((entries / 5)) 6 10 7
"$bin/bench_make_tree" lower "$entries" $((entries / 5)) 6 0 7
upper=$(find mixed -name '*[A-Z]*' | wc -l)
echo "mixed tree: $(find mixed | wc -l) paths, $upper with upper-case letters"

# Warm the caches once.
find lower -depth >/dev/null
"$bin/tindle" lower >/dev/null 2>&1

walk_tindle=$(measure : "$bin/tindle" lower)
walk_find=$(measure : find lower -depth)

fresh() { rm -rf copy && cp -r mixed copy; }
rename_tindle=$(measure fresh "$bin/tindle" copy)
# Both sides must leave no name with upper case, or their times mean
# nothing (rename(1) reports nothing when all is well).
fresh
"$bin/tindle" copy >/dev/null 2>&1
left_tindle=$(find copy -name '*[A-Z]*' | wc -l)
fresh
find copy -depth -exec rename -d 'y/A-Z/a-z/' {} +
left=$(find copy -name '*[A-Z]*' | wc -l)
if [ "$left_tindle" -ne 0 ] || [ "$left" -ne 0 ]; then
  echo "benchmark failed: names left with upper case: tindle $left_tindle, find + rename $left" >&2
  exit 1
fi
rename_perl=$(measure fresh find copy -depth -exec rename -d 'y/A-Z/a-z/' {} +)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
echo
echo "walk, all lower case ($reps runs, median):"
echo "  tindle            ${walk_tindle} ms"
echo "  find -depth       ${walk_find} ms"
echo "  ratio tindle/find $(ratio "$walk_tindle" "$walk_find")   (goal: at most 1.5)"
echo "renames, $upper names ($reps runs, median):"
echo "  tindle            ${rename_tindle} ms"
echo "  find + rename     ${rename_perl} ms"
echo "  speed-up          $(ratio "$rename_perl" "$rename_tindle")x   (goal: at least 3)"
