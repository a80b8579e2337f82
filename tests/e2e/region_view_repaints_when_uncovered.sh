#!/usr/bin/env bash
# The region view paints from the grid file whenever it is uncovered: a pick with a grid path
# that fails leaves the area black; the settings dialog opened over it then puts the right path,
# and when Save closes the dialog the uncovered view shows the region without another pick.
# Usage: region_view_repaints_when_uncovered.sh BUILD_DIR DATA_DIR
set -euo pipefail
source "$(dirname "$0")/x_session.sh"
[ -s "$2/ETOPO5.DOS" ] || { echo "SKIP: no converted grid in $2"; exit 77; }

start_x
start_program "$1" "$2" "[SYSTEM]
ETOPO5=$work/moved.dos
ColorBar=$work/data/P1.BMP
"
press_on_map 126 23
region=$(new_window "$main")
report=$(new_window "$main" "$region")
xdotool windowfocus --sync "$report" key Return
wait_for sh -c "! xwininfo -id $report" || fail "the report of the failed paint did not close"

xdotool mousemove --window "$main" 316 16 click 1  # 設定
settings=$(new_window "$main" "$region")
xdotool windowfocus --sync "$settings"
xdotool mousemove --window "$settings" 150 14 click 1 key ctrl+a type "$work/data/ETOPO5.DOS"
xdotool mousemove --window "$settings" 316 105 click 1  # Save
wait_for sh -c "! xwininfo -id $settings | grep -a -q IsViewable" || fail "Save left the dialog open"
sleep 1  # let the uncovered view be painted

import -window "$region" "$work/region.png"
"$1/orandu-render" --grid "$2/ETOPO5.DOS" --bar "$2/P1.BMP" --center 139,36 --size 488x441 \
  --out "$work/expected.png"
convert "$work/region.png" -crop 488x441+2+2 +repage "$work/painted.png"
differing=$(compare -metric AE "$work/painted.png" "$work/expected.png" null: 2>&1 || true)
[ "$differing" = 0 ] || fail "$differing pixels of the uncovered view are not the region"
echo "the uncovered region view was painted from the grid file"
