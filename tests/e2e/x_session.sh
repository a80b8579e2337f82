# Sourced by the window-system tests: a private X server on a display it picks free, openbox
# when a window manager matters, and the real program in a scratch folder beside the data.
# The sourcing script sets `set -euo pipefail` and calls start_x, then start_program.

work=$(mktemp -d)
# Ends a process the test started and waits for it, so that the display is free again when the
# test ends. One still running five seconds after it was asked to end is killed: a test whose
# checks have passed must not then hang until its time runs out.
stop_process() {
  kill "$1" 2>/dev/null || return 0
  if ! wait_for ended "$1"; then
    echo "process $1 ($(ps -o comm= -p "$1" 2>/dev/null || true)) did not end when asked; killed" >&2
    kill -KILL "$1" 2>/dev/null || true
  fi
  wait "$1" 2>/dev/null || true
}

# ended PID: the process is gone, or has ended and not yet been waited for (a zombie, which
# kill -0 still finds).
ended() {
  local state
  state=$(ps -o stat= -p "$1" 2>/dev/null || true)
  [[ -z "$state" || "$state" == Z* ]]
}

cleanup() {
  for process in ${program:-} ${wm:-} ${xserver:-}; do
    stop_process "$process"
  done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -s "$work/program.log" ] && cat "$work/program.log"
  exit 1
}

# Waits up to five seconds for a command to succeed.
wait_for() {
  wait_long 5 "$@"
}

# wait_long SECONDS COMMAND...: the same for things a busy machine can hold up for longer.
wait_long() {
  local tries=$(($1 * 10))
  shift
  for _ in $(seq "$tries"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

# display_held_by NUMBER PID: the process listens on the display's socket (by path or in the
# abstract namespace), so an X client of :NUMBER talks to it.
display_held_by() {
  local inode fd
  for inode in $(awk -v path="/tmp/.X11-unix/X$1" '$8 == path || $8 == "@" path {print $7}' \
    /proc/net/unix); do
    for fd in /proc/"$2"/fd/*; do
      [ "$(readlink "$fd" 2>/dev/null)" = "socket:[$inode]" ] && return 0
    done
  done
  return 1
}

# start_x [openbox]: a screen of $x_screen (1280x1024 unless set) on a display Xvfb picks free,
# with openbox managing it if asked. The display must be this Xvfb's own: another X server
# answering on it would have the test look at the wrong screen. -noreset: the server would
# otherwise reset when the check's last client leaves, and refuse the next client meanwhile.
start_x() {
  Xvfb -displayfd 3 -screen 0 "${x_screen:-1280x1024}x24" -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xserver=$!
  wait_long 20 grep -qx '[0-9][0-9]*' "$work/display" ||
    fail "Xvfb named no display ($(cat "$work/xvfb.log"))"
  local number
  number=$(cat "$work/display")
  export DISPLAY=":$number"
  kill -0 "$xserver" 2>/dev/null || fail "the X server on :$number ended"
  display_held_by "$number" "$xserver" ||
    fail "display :$number is not held by the X server this test started"
  wait_long 20 xdpyinfo || fail "no X server on :$number ($(cat "$work/xvfb.log"))"
  if [ "${1:-}" = openbox ]; then
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    wm=$!
    wait_long 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
      fail "openbox did not start ($(cat "$work/openbox.log"))"
  fi
}

# start_program BUILD_DIR DATA_DIR [SETTINGS_TEXT]: the program beside the data folder, with the
# settings file given or none; sets $main to the main window's id.
start_program() {
  cp "$1/orandu" "$work/orandu"
  ln -s "$(cd "$2" && pwd)" "$work/data"
  [ -n "${3:-}" ] && printf '%s' "$3" >"$work/orandu.ini"
  "$work/orandu" >"$work/program.log" 2>&1 &
  program=$!
  main=$(timeout 30 xdotool search --sync --onlyvisible --name '^Orandu    powered by Vornak Tools\.$' |
    head -1)
}

# The program's visible windows other than those given, one id a line.
other_windows() {
  xdotool search --onlyvisible --pid "$program" 2>/dev/null | grep -v -x -F "$(printf '%s\n' "$@")" ||
    true
}

# press_on_map MAP_X MAP_Y: a press on the map pixel under the cursor's hot spot (the map sits 2
# pixels into the panel under the 31-pixel tool strip).
press_on_map() {
  xdotool mousemove --window "$main" $((2 + $1)) $((31 + 2 + $2)) click 1
}

# new_window KNOWN_ID...: waits for a visible window of the program besides those given.
new_window() {
  local found=""
  for _ in $(seq 100); do
    found=$(other_windows "$@" | head -1)
    [ -n "$found" ] && break
    sleep 0.1
  done
  [ -n "$found" ] || fail "no new window of the program appeared"
  echo "$found"
}

# client_origin WINDOW: "X Y" of the window's client area on the screen.
client_origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
    END {print x, y}'
}

is_viewable() {
  xwininfo -id "$1" | grep -a -q 'Map State: IsViewable'
}
