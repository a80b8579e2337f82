#!/usr/bin/env bash
# End to end: the real program under a real X server, a press on its map, and the region view's
# paint area compared pixel for pixel with orandu-render for the same centre.
# Usage: pick_matches_render.sh BUILD_DIR DATA_DIR SCREENSHOT_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
data=$2
screenshots=$3
skip=77

[ -s "$data/ETOPO5.DOS" ] || { echo "SKIP: no converted grid in $data"; exit $skip; }

source "$(dirname "$0")/x_session.sh"

# The program beside the default data and no settings file, so the defaults are what it reads.
cp "$build/orandu" "$work/orandu"
ln -s "$(cd "$data" && pwd)" "$work/data"

start_x

"$work/orandu" >"$work/program.log" 2>&1 &
program=$!
main=$(timeout 30 xdotool search --sync --onlyvisible --name '^Orandu    powered by Vornak Tools\.$')

# Press where the cross-hair stands over map pixel (139, 36): the Sea of Okhotsk, 54° N. The map sits 2 pixels into
# the panel under the 31-pixel tool strip; the cursor's cross-hair is 13 pixels off its hot spot.
map_x=126 map_y=23
center_lon=$((map_x + 13)) center_lat=$((map_y + 13))
xdotool mousemove --window "$main" $((2 + map_x)) $((31 + 2 + map_y)) click 1

region=""
for _ in $(seq 100); do
  region=$(xdotool search --onlyvisible --pid "$program" 2>/dev/null | grep -v -x "$main" | head -1 || true)
  [ -n "$region" ] && break
  sleep 0.1
done
[ -n "$region" ] || { echo "FAIL: the region view did not open"; cat "$work/program.log"; exit 1; }
sleep 1  # let the window be mapped and painted before it is captured

mkdir -p "$screenshots"
import -window "$main" "$screenshots/main-window.png"
import -window "$region" "$screenshots/region-view.png"

"$build/orandu-render" --grid "$data/ETOPO5.DOS" --bar "$data/P1.BMP" \
  --center "$center_lon,$center_lat" --size 488x441 --out "$work/expected.png"
convert "$screenshots/region-view.png" -crop 488x441+2+2 +repage "$work/painted.png"
differing=$(compare -metric AE "$work/painted.png" "$work/expected.png" null: 2>&1 || true)
if [ "$differing" != 0 ]; then
  echo "FAIL: $differing pixels of the paint area differ from orandu-render"
  exit 1
fi
echo "the region view paints $center_lon,$center_lat exactly as orandu-render does"
