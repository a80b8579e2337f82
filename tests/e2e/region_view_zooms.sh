#!/usr/bin/env bash
# End to end: zooming the region view with +, -, Ctrl+0, the wheel and Home, each view compared
# pixel for pixel with orandu-render --zoom. The real program under Xvfb, driven by real key and
# wheel events, on the real grid, whose zoomed-out levels it builds at the first zoom-out.
# Usage: region_view_zooms.sh BUILD_DIR DATA_DIR
set -euo pipefail
source "$(dirname "$0")/x_session.sh"
source "$(dirname "$0")/x_any_display.sh"
[ -s "$2/ETOPO5.DOS" ] || { echo "SKIP: no converted grid in $2"; exit 77; }
build=$(cd "$1" && pwd)
data=$2
width=488 height=441

start_x_any 1280x1024
start_program "$build" "$data"
press_on_map 187 87  # the cross-hair over map pixel (200, 100)
region=$(new_window "$main")
wait_for is_viewable "$region" || fail "the region view was not mapped"

# expect_view LEVEL WHAT: the paint area equals orandu-render's paint of the pick at LEVEL.
expect_view() {
  "$build/orandu-render" --grid "$data/ETOPO5.DOS" --bar "$data/P1.BMP" --center 200,100 \
    --zoom "$1" --size ${width}x$height --out "$work/expected.png" >/dev/null
  local differing=""
  for _ in $(seq 20); do  # a busy machine may still be painting
    paint_area "$region" $width $height "$work/painted.png"
    differing=$(differing_pixels "$work/painted.png" "$work/expected.png")
    [ "$differing" = 0 ] && return 0
    sleep 0.5
  done
  fail "after $2, $differing pixels differ from orandu-render --zoom $1"
}

expect_view 1 "the pick"
xdotool key plus
expect_view 2 "+"
xdotool key minus minus
expect_view 1/2 "- and -"
xdotool key ctrl+0
expect_view 1 "Ctrl+0"
# The centre's own sample starts at pixel (245, 221) of the paint area, 2 pixels into the window.
xdotool mousemove --window "$region" 247 223 click 4
expect_view 2 "a wheel step in at the centre"
xdotool mousemove --window "$region" 247 223 click 5 click 5 click 5
expect_view 1/4 "three wheel steps out"
xdotool key Home
expect_view 1 "Home"
# Past the coarsest level the view stays there; the whole Earth is pulled back to its middle.
xdotool key minus minus minus minus minus minus minus
expect_view 1/64 "seven steps out"
echo "+, -, Ctrl+0, the wheel and Home show what orandu-render --zoom paints"
