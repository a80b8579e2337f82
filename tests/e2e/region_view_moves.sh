#!/usr/bin/env bash
# End to end: keys and drags in the region view never jump, and a picture saved after a resize
# is painted again by orandu-render --no-pullback. A centre pulled back to 339° E at the first
# size and kept through a resize to 1800 x 1100 (where a pick would pull it to 284° E) moves one
# degree for one Left; a drag held 60 degrees past the northern edge comes back at once when the
# mouse does. The real program under Xvfb, driven by real key and pointer events; every view is
# compared pixel for pixel with orandu-render.
# Usage: region_view_moves.sh BUILD_DIR DATA_DIR
set -euo pipefail
source "$(dirname "$0")/x_session.sh"
source "$(dirname "$0")/x_any_display.sh"
[ -s "$2/ETOPO5.DOS" ] || { echo "SKIP: no converted grid in $2"; exit 77; }
build=$(cd "$1" && pwd)
data=$2
width=1800 height=1100

start_x_any 1920x1200
start_program "$build" "$data"
press_on_map 346 87  # the cross-hair over map pixel (359, 100): pulled back to (339, 100)
region=$(new_window "$main")
wait_for is_viewable "$region" || fail "the region view was not mapped"
xdotool windowmove --sync "$region" 0 0 windowsize --sync "$region" $((width + 4)) $((height + 4))
eval "$(xdotool getwindowgeometry --shell "$region")"
[ "$WIDTH,$HEIGHT" = "$((width + 4)),$((height + 4))" ] || fail "the region view is ${WIDTH}x$HEIGHT"

# expect_view CENTER WHAT: the paint area equals orandu-render's paint of the stored CENTER.
expect_view() {
  "$build/orandu-render" --grid "$data/ETOPO5.DOS" --bar "$data/P1.BMP" --center "$1" \
    --no-pullback --size ${width}x$height --out "$work/expected.png" >/dev/null
  local differing=""
  for _ in $(seq 20); do  # a busy machine may still be painting
    paint_area "$region" $width $height "$work/painted.png"
    differing=$(differing_pixels "$work/painted.png" "$work/expected.png")
    [ "$differing" = 0 ] && return 0
    sleep 0.5
  done
  fail "after $2, $differing pixels differ from orandu-render --no-pullback at $1"
}

expect_view 339,100 "the resize"
xdotool key Left
expect_view 338,100 "Left at 339° E in 1800 x 1100"
xdotool key Right  # further out than a pick may go: it stays
expect_view 338,100 "Right past the edge"

# ---- A picture saved after the resize is orandu-render's with --no-pullback ------------------
xdotool key ctrl+s
dialog=$(new_window "$main" "$region")
sleep 0.5
xdotool type --delay 20 "$work/saved.png"
xdotool key Return
wait_long 20 test -s "$work/saved.png" || fail "nothing was saved"
differing=$(differing_pixels "$work/saved.png" "$work/expected.png")
[ "$differing" = 0 ] || fail "the save after the resize differs from orandu-render in $differing pixels"
wait_for sh -c "! xwininfo -id $dialog 2>/dev/null | grep -q IsViewable" || true

# ---- A drag held past the edge follows the mouse back at once --------------------------------
xdotool key Home  # the pick, pulled back for 1800 x 1100: (284, 100); the northern limit is 46
expect_view 284,100 "Home"
xdotool mousemove --window "$region" 600 150 mousedown 1
sleep 0.3
xdotool mousemove --window "$region" 600 870  # 60 degrees north: the edge stops it at 46
sleep 0.5
xdotool mousemove --window "$region" 600 750  # 10 degrees back
sleep 0.5
xdotool mouseup 1
expect_view 284,56 "a drag 60 degrees past the northern edge and 10 back"

echo "moves never jump, a drag comes back at once, and saves after a resize render again"
