#!/usr/bin/env bash
# End to end: the region view's read-out, keys, drag and save in the real program under a real X
# server, driven by real pointer and key events. The read-out is read back from its window's
# name and compared with a text this script derives from the grid file itself; the paint area
# after a key and a drag, and the saved files, are compared pixel for pixel with orandu-render.
# Usage: region_view_tools.sh BUILD_DIR DATA_DIR (a capture of the read-out is
# left in BUILD_DIR/screenshots)
set -euo pipefail
source "$(dirname "$0")/x_session.sh"
[ -s "$2/ETOPO5.DOS" ] || { echo "SKIP: no converted grid in $2"; exit 77; }
build=$(cd "$1" && pwd)
data=$2
screenshots=$build/screenshots

start_x
start_program "$build" "$data"
press_on_map 126 23  # the cross-hair over map pixel (139, 36)
region=$(new_window "$main")
wait_for is_viewable "$region" || fail "the region view was not mapped"
sleep 1

# The paint area's view of the region view window, beside orandu-render's for a centre.
expect_paint() {
  local center=$1 what=$2
  xdotool mousemove 1279 1023  # off the view, so the read-out hides and covers nothing
  sleep 0.5
  import -window "$region" "$work/window.png"
  convert "$work/window.png" -crop 488x441+2+2 +repage "$work/painted.png"
  "$build/orandu-render" --grid "$data/ETOPO5.DOS" --bar "$data/P1.BMP" --center "$center" \
    --size 488x441 --out "$work/expected.png" >/dev/null
  local differing
  differing=$(compare -metric AE "$work/painted.png" "$work/expected.png" null: 2>&1 || true)
  [ "$differing" = 0 ] || fail "after $what, $differing pixels differ from orandu-render at $center"
}

# ---- The read-out under the cursor ----------------------------------------------------------
# Centre (139, 36) in 488 x 441: grid rows from 36*12 - 220 - 1, columns from 139*12 - 244 - 1.
px=100 py=200
row=$((36 * 12 - 221 + py)) column=$((139 * 12 - 245 + px))
raw=$(od -An -tu2 --endian=little -j $((row * 8640 + column * 2)) -N2 "$data/ETOPO5.DOS" | tr -d ' ')
height=$((raw > 10000 ? raw - 65536 : raw))
lat=$((5400 - row * 5)) lon=$((column * 5))
[ $lat -gt 0 ] && lat_text=$(printf '北緯 %d°%02d′' $((lat / 60)) $((lat % 60)))
[ $lat -lt 0 ] && lat_text=$(printf '南緯 %d°%02d′' $((-lat / 60)) $((-lat % 60)))
[ $lon -lt 10800 ] && lon_text=$(printf '東経 %d°%02d′' $((lon / 60)) $((lon % 60)))
[ $lon -gt 10800 ] && lon_text=$(printf '西経 %d°%02d′' $(((21600 - lon) / 60)) $(((21600 - lon) % 60)))
expected_readout="$lat_text $lon_text  $height m"

xdotool mousemove --window "$region" $((2 + px)) $((2 + py))
tip=$(new_window "$main" "$region")
readout=$(xdotool getwindowname "$tip")
[ "$readout" = "$expected_readout" ] || fail "read-out '$readout', expected '$expected_readout'"
eval "$(xdotool getwindowgeometry --shell "$tip")"
tip_x=$X tip_y=$Y
eval "$(xdotool getmouselocation --shell)"
[ $tip_x -gt $X ] && [ $tip_y -gt $Y ] || fail "the read-out is not beside the cursor"
import -window "$tip" "$work/tip.png"
[ "$(convert "$work/tip.png" -format '%k' info:)" -gt 1 ] || fail "the read-out window is blank"
eval "$(xdotool getwindowgeometry --shell "$region")"
mkdir -p "$screenshots"
import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage \
  "$screenshots/region-view-readout.png"
echo "read-out: $readout"

# ---- Keys and dragging ----------------------------------------------------------------------
xdotool key Right
expect_paint 140,36 "the right arrow"
xdotool mousemove --window "$region" 202 202 mousedown 1
sleep 0.2
xdotool mousemove --window "$region" 178 226
sleep 0.2
xdotool mouseup 1
expect_paint 142,34 "a drag 24 pixels left and down"

# ---- Saving ---------------------------------------------------------------------------------
save_through_dialog() {
  local file=$1
  local dialog
  dialog=$(new_window "$main" "$region" "$tip")
  sleep 0.5
  xdotool type --delay 20 "$file"
  xdotool key Return
  for _ in $(seq 100); do [ -s "$file" ] && break; sleep 0.1; done
  [ -s "$file" ] || fail "nothing was saved to $file"
}

"$build/orandu-render" --grid "$data/ETOPO5.DOS" --bar "$data/P1.BMP" --center 142,34 \
  --size 488x441 --out "$work/expected.png" >/dev/null
xdotool key ctrl+s
save_through_dialog "$work/saved.png"
differing=$(compare -metric AE "$work/saved.png" "$work/expected.png" null: 2>&1 || true)
[ "$differing" = 0 ] || fail "the file saved with Ctrl+S differs from orandu-render in $differing pixels"

xdotool mousemove --window "$region" 300 300 click 3
menu=$(new_window "$main" "$region" "$tip")
eval "$(xdotool getwindowgeometry --shell "$menu")"
# The menu's first item of two (画像を保存..., then 陰影).
xdotool mousemove $((X + 20)) $((Y + HEIGHT / 4)) click 1
save_through_dialog "$work/saved.bmp"
[ "$(head -c 2 "$work/saved.bmp")" = BM ] || fail "saved.bmp is not a BMP file"
differing=$(compare -metric AE "$work/saved.bmp" "$work/expected.png" null: 2>&1 || true)
[ "$differing" = 0 ] || fail "the file saved from the menu differs from orandu-render in $differing pixels"

echo "the read-out, the keys, the drag and both saves match the grid and orandu-render"
