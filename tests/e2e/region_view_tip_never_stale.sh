#!/usr/bin/env bash
# End to end: the read-out beside the cursor never shows a stale value. It hides when the context
# menu opens and stays hidden after Escape; it hides when the save dialog opens and stays hidden
# after the dialog is cancelled, until the mouse moves; then it shows the sample under the new
# position. The real program under Xvfb; the tip window is watched with xwininfo and read back
# from its name, the expected text derived from the grid file itself.
# Usage: region_view_tip_never_stale.sh BUILD_DIR DATA_DIR
set -euo pipefail
source "$(dirname "$0")/x_session.sh"
source "$(dirname "$0")/x_any_display.sh"
[ -s "$2/ETOPO5.DOS" ] || { echo "SKIP: no converted grid in $2"; exit 77; }
build=$(cd "$1" && pwd)
data=$2

start_x_any 1280x1024
start_program "$build" "$data"
press_on_map 126 23  # the cross-hair over map pixel (139, 36): 488 x 441 around (139, 36)
region=$(new_window "$main")
wait_for is_viewable "$region" || fail "the region view was not mapped"
sleep 1

# readout_at X Y: the read-out for paint-area pixel (X, Y), from the grid file's own bytes.
readout_at() {
  local row=$((36 * 12 - 221 + $2)) column=$((139 * 12 - 245 + $1))
  local raw height lat lon lat_text lon_text
  raw=$(od -An -tu2 --endian=little -j $((row * 8640 + column * 2)) -N2 "$data/ETOPO5.DOS" |
    tr -d ' ')
  height=$((raw > 10000 ? raw - 65536 : raw))
  lat=$((5400 - row * 5)) lon=$((column * 5))  # minutes; this region lies north-east of 0°
  lat_text=$(printf '北緯 %d°%02d′' $((lat / 60)) $((lat % 60)))
  lon_text=$(printf '東経 %d°%02d′' $((lon / 60)) $((lon % 60)))
  echo "$lat_text $lon_text  $height m"
}

tip_hidden() { ! is_viewable "$tip"; }

# point_at X Y: the mouse over paint-area pixel (X, Y), and the read-out must say so.
point_at() {
  xdotool mousemove --window "$region" $((2 + $1)) $((2 + $2))
  wait_for is_viewable "$tip" || fail "the read-out did not show at $1,$2"
  local expected
  expected=$(readout_at "$1" "$2")
  wait_for sh -c "[ \"\$(xdotool getwindowname $tip)\" = '$expected' ]" ||
    fail "the read-out at $1,$2 is '$(xdotool getwindowname "$tip")', expected '$expected'"
}

xdotool mousemove --window "$region" 102 202
tip=$(new_window "$main" "$region")
point_at 100 200

# ---- The context menu -------------------------------------------------------------------------
xdotool click 3
menu=$(new_window "$main" "$region" "$tip")
wait_for tip_hidden || fail "the read-out stays on screen over the context menu"
xdotool key Escape
wait_for sh -c "! xwininfo -id $menu 2>/dev/null | grep -q IsViewable" || fail "the menu stayed"
sleep 0.5
tip_hidden || fail "the read-out came back after the menu without a move of the mouse"
point_at 150 150

# ---- The save dialog --------------------------------------------------------------------------
xdotool key ctrl+s
dialog=$(new_window "$main" "$region" "$tip" "$menu")
wait_for tip_hidden || fail "the read-out stays on screen over the save dialog"
sleep 0.5
xdotool key Escape
wait_for sh -c "! xwininfo -id $dialog 2>/dev/null | grep -q IsViewable" || fail "the dialog stayed"
sleep 0.5
tip_hidden || fail "after the save dialog the read-out shows the old position '$(xdotool getwindowname "$tip")'"
point_at 160 140  # the next move shows it afresh

echo "the read-out hides for the menu and the dialog and comes back fresh on the next move"
