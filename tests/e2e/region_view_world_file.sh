#!/usr/bin/env bash
# End to end: the region view's save dialog writes the world file beside the picture when its
# check box is ticked, the same file orandu-render --world-file writes for the region, and the
# box's state comes back after a restart from the settings file. The real program under Xvfb,
# driven by real keys.
# Usage: region_view_world_file.sh BUILD_DIR DATA_DIR
set -euo pipefail
source "$(dirname "$0")/x_session.sh"
[ -s "$2/ETOPO5.DOS" ] || { echo "SKIP: no converted grid in $2"; exit 77; }
build=$(cd "$1" && pwd)
data=$2

start_x
start_program "$build" "$data"
mkdir "$work/pictures" "$work/expected"

# The region view after a press that puts the cross-hair over map pixel (139, 36).
open_region() {
  press_on_map 126 23
  region=$(new_window "$main")
  wait_for is_viewable "$region" || fail "the region view was not mapped"
  sleep 1
}

gone() { ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }

# save_as NAME [tick]: Ctrl+S; with "tick", the world-file box toggled with the keyboard (from the
# name field, Tab reaches the file types and Tab again the box below them); NAME typed, Return.
save_as() {
  xdotool windowfocus --sync "$region"
  xdotool key ctrl+s
  local dialog
  dialog=$(new_window "$main" "$region")
  sleep 0.5
  if [ "${2:-}" = tick ]; then
    xdotool key Tab Tab space shift+Tab shift+Tab
    sleep 0.2
  fi
  xdotool key ctrl+a
  xdotool type --delay 20 "$work/pictures/$1"
  xdotool key Return
  wait_for gone "$dialog" || fail "the save dialog stayed open for $1"
  wait_long 10 test -s "$work/pictures/$1" || fail "nothing was saved to $1"
}

# expect_world PICTURE WORLD: the world file beside the saved picture is orandu-render's.
expect_world() {
  "$build/orandu-render" --grid "$data/ETOPO5.DOS" --bar "$data/P1.BMP" --center 139,36 \
    --size 488x441 --out "$work/expected/$1" --world-file >/dev/null
  [ -s "$work/expected/$2" ] || fail "orandu-render wrote no $2"
  wait_long 10 test -s "$work/pictures/$2" || fail "no world file $2 beside $1 ($(ls "$work/pictures"))"
  cmp -s "$work/pictures/$2" "$work/expected/$2" ||
    fail "$2 holds [$(cat "$work/pictures/$2")], orandu-render wrote [$(cat "$work/expected/$2")]"
}

view_setting() {
  awk -F= '/^\[/ {section = $0} section == "[VIEW]" && $1 == "WorldFile" {print $2}' \
    "$work/orandu.ini" 2>/dev/null | tr -d '\r'
}

open_region
save_as before.png
[ ! -e "$work/pictures/before.pgw" ] || fail "a world file was written with the box as it opens"
[ -z "$(view_setting)" ] || fail "the setting was written without a change: $(view_setting)"

save_as ticked.png tick
expect_world ticked.png ticked.pgw
[ "$(view_setting)" = 1 ] || fail "WorldFile under [VIEW] is '$(view_setting)' after ticking"

# Closed and started again: the box opens ticked, so a plain save writes the world file too.
kill "$program" && wait "$program" 2>/dev/null || true
"$work/orandu" >"$work/program.log" 2>&1 &
program=$!
main=$(timeout 30 xdotool search --sync --onlyvisible --name '^Orandu    powered by Vornak Tools\.$' |
  head -1)
open_region
save_as restarted.tif
expect_world restarted.tif restarted.tfw
save_as unticked.bmp tick
[ ! -e "$work/pictures/unticked.bpw" ] || fail "a world file was written with the box cleared"
[ "$(view_setting)" = 0 ] || fail "WorldFile under [VIEW] is '$(view_setting)' after clearing"

echo "the saved world files equal orandu-render's and the box's state survives a restart"
