#!/usr/bin/env bash
# End to end: the real program started from the root folder with a settings file whose paths are
# relative (`data/ETOPO5.DOS`, `data/P1.BMP`) reads them beside itself. No error box appears, at
# start-up (the colour bar) or after a pick (the grid), and the settings file is not touched.
# Usage: relative_paths_mean_the_programs_folder.sh BUILD_DIR DATA_DIR
set -euo pipefail
source "$(dirname "$0")/x_session.sh"
build=$(cd "$1" && pwd)
data=$(cd "$2" && pwd)
[ -s "$data/ETOPO5.DOS" ] || { echo "SKIP: no converted grid in $data"; exit 77; }

cp "$build/orandu" "$work/orandu"
ln -s "$data" "$work/data"
printf '[SYSTEM]\r\nETOPO5=data/ETOPO5.DOS\r\nColorBar=data/P1.BMP\r\n' >"$work/orandu.ini"
cp "$work/orandu.ini" "$work/before.ini"

start_x
(cd / && exec "$work/orandu") >"$work/program.log" 2>&1 &
program=$!

# An error box is titled with the executable's name.
error_box() {
  xdotool search --onlyvisible --name '^[Oo]randu$' 2>/dev/null | head -1 | grep .
}

main=$(timeout 30 xdotool search --sync --onlyvisible --name '^Orandu    powered by Vornak Tools\.$' |
  head -1)
[ -n "$main" ] || fail "the main window did not appear"
! error_box >/dev/null || fail "an error box came up at start-up (the colour bar)"
press_on_map 126 23
region=$(new_window "$main")
wait_for is_viewable "$region" || fail "the region view was not mapped"
# A failing paint posts its box as soon as the paint returns; give it time to come up.
! wait_long 3 error_box || fail "an error box came up after the pick (the grid)"
cmp -s "$work/orandu.ini" "$work/before.ini" || fail "the settings file changed"
echo "relative paths in the settings are read beside the program, not in the working folder"
