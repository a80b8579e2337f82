#!/usr/bin/env bash
# A pick shows the region view and brings it to the front, also when it was minimised.
# Usage: pick_restores_minimised_region_view.sh BUILD_DIR DATA_DIR
set -euo pipefail
source "$(dirname "$0")/x_session.sh"
[ -s "$2/ETOPO5.DOS" ] || { echo "SKIP: no converted grid in $2"; exit 77; }

start_x openbox
start_program "$1" "$2"
press_on_map 126 23
region=$(new_window "$main")
wait_for is_viewable "$region" || fail "the region view was not mapped"

xdotool windowminimize "$region"
wait_for sh -c "! xwininfo -id $region | grep -a -q IsViewable" || fail "openbox did not minimise"
press_on_map 200 100
wait_for is_viewable "$region" || fail "the pick left the region view minimised"
echo "a pick restores the minimised region view"
