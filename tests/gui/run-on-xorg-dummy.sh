#!/bin/sh
# Runs a command on an Xorg server of its own with the dummy video driver:
#   run-on-xorg-dummy.sh CONFIG COMMAND...
# The server picks a free display and writes its number to a file; the
# command runs with DISPLAY set to it, and the server ends with it. Where
# Xorg is missing or does not start within the time limit, the command runs
# with KILN_XORG_SKIP saying why (its tests skip) and no display.
config=$1
shift
limit=20

command -v Xorg >/dev/null 2>&1 || { reason="Xorg is not installed"; unset DISPLAY; KILN_XORG_SKIP=$reason exec "$@"; }

dir=$(mktemp -d "${TMPDIR:-/tmp}/kiln-xorg-XXXXXX") || exit 125
Xorg -displayfd 3 -config "$config" -noreset -nolisten tcp -novtswitch -sharevts \
  -logfile "$dir/Xorg.log" 3>"$dir/display" >"$dir/output" 2>&1 &
server=$!
stop() {
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  rm -rf "$dir"
}

waited=0
while [ ! -s "$dir/display" ]; do
  if ! kill -0 "$server" 2>/dev/null || [ "$waited" -ge $((limit * 10)) ]; then
    reason="Xorg did not start within $limit s: $(tail -n 3 "$dir/output" | tr '\n' ' ')"
    stop
    unset DISPLAY
    KILN_XORG_SKIP=$reason "$@"
    exit $?
  fi
  sleep 0.1
  waited=$((waited + 1))
done

DISPLAY=":$(head -n 1 "$dir/display")" "$@"
status=$?
stop
exit $status
