#!/bin/sh
# Runs a command in a fresh scratch directory below /tmp and removes the
# directory afterwards, whatever the command leaves in it (its log above
# all), so that no test writes into the checkout or the build tree. It is
# the run's TMPDIR too: temporary files a test could not remove (a process
# that ended early) go with it. Others may pass through it, as the tests
# that run a program as another user need.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kiln-run-XXXXXX") || exit 125
chmod 755 "$scratch"
export TMPDIR="$scratch"
trap 'rm -rf "$scratch"' EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
cd "$scratch" || exit 125
"$@"
