#!/bin/sh
# Runs a command in a fresh scratch directory below /tmp and removes the
# directory afterwards, whatever the command leaves in it (its log above
# all), so that no test writes into the checkout or the build tree.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kiln-run-XXXXXX") || exit 125
trap 'rm -rf "$scratch"' EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
cd "$scratch" || exit 125
"$@"
