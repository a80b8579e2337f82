#!/usr/bin/env bash
# The region view's title is empty at the window manager too: openbox shows nothing in its title
# bar, where the toolkit would put the program's name.
# Usage: region_view_title_is_empty.sh BUILD_DIR DATA_DIR
set -euo pipefail
source "$(dirname "$0")/x_session.sh"
[ -s "$2/ETOPO5.DOS" ] || { echo "SKIP: no converted grid in $2"; exit 77; }

start_x openbox
start_program "$1" "$2"
press_on_map 126 23
region=$(new_window "$main")
wait_for is_viewable "$region" || fail "the region view was not mapped"

for property in _NET_WM_NAME _NET_WM_VISIBLE_NAME WM_NAME; do
  # An empty text shows as `= ""`, an empty property as `= ` (openbox leaves it so).
  value=$(xprop -id "$region" -notype "$property")
  [[ "$value" =~ ^$property\ =\ (\"\")?$ ]] || fail "$value"
done
echo "the region view has an empty title at the window manager"
