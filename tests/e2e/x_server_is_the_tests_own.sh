#!/usr/bin/env bash
# The window tests' X server is always the one the test started. With another X server answering
# on the display an Xvfb named, start_x refuses to go on; with another server already holding a
# display, start_x lands on a free one that its own Xvfb holds.
# Usage: x_server_is_the_tests_own.sh BUILD_DIR DATA_DIR
set -euo pipefail
source "$(dirname "$0")/x_session.sh"

# Another X server, as a user's session or a neighbouring test would hold one.
Xvfb -displayfd 3 -nolisten tcp 3>"$work/other-display" >"$work/other.log" 2>&1 &
other=$!
trap 'kill "$other" 2>/dev/null && wait "$other" 2>/dev/null; cleanup' EXIT
wait_long 20 grep -qx '[0-9][0-9]*' "$work/other-display" || fail "the other X server did not start"
other_display=$(cat "$work/other-display")

# An "Xvfb" that names the other server's display as its own and lives on without serving it:
# xdpyinfo answers there, but from the wrong server.
mkdir "$work/impostor"
cat >"$work/impostor/Xvfb" <<IMPOSTOR
#!/bin/sh
echo \$\$ >"$work/impostor.pid"
echo $other_display >&3
exec sleep 60
IMPOSTOR
chmod +x "$work/impostor/Xvfb"
if (PATH="$work/impostor:$PATH" start_x) >"$work/impostor.log" 2>&1; then
  fail "start_x went on with display :$other_display, held by another X server"
fi
kill "$(cat "$work/impostor.pid")" 2>/dev/null || true
grep -q "not held by the X server this test started" "$work/impostor.log" ||
  fail "start_x failed for another reason: $(cat "$work/impostor.log")"

start_x
[ "$DISPLAY" != ":$other_display" ] || fail "start_x took the other server's display"
kill -0 "$xserver" || fail "the test's own X server is not running"
echo "start_x uses only a display its own Xvfb holds"
