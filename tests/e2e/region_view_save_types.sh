#!/usr/bin/env bash
# End to end: the region view's save dialog says what it writes. Its file types are PNG and BMP;
# a name typed without an extension gets the chosen type's; an extension the program cannot
# write (.jpg) is refused with a message box and nothing is written. The real program under
# Xvfb, driven by real keys; the files are checked by their bytes and their pixels.
# Usage: region_view_save_types.sh BUILD_DIR DATA_DIR
set -euo pipefail
source "$(dirname "$0")/x_session.sh"
source "$(dirname "$0")/x_any_display.sh"
[ -s "$2/ETOPO5.DOS" ] || { echo "SKIP: no converted grid in $2"; exit 77; }
build=$(cd "$1" && pwd)
data=$2

start_x_any 1280x1024
start_program "$build" "$data"
press_on_map 126 23  # the cross-hair over map pixel (139, 36)
region=$(new_window "$main")
wait_for is_viewable "$region" || fail "the region view was not mapped"
sleep 1
"$build/orandu-render" --grid "$data/ETOPO5.DOS" --bar "$data/P1.BMP" --center 139,36 \
  --size 488x441 --out "$work/expected.png" >/dev/null
mkdir "$work/pictures"

gone() { ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }

# save_as NAME [TYPE_KEYS]: Ctrl+S, the file type moved down by the keys given (none: the
# first), NAME typed into the file name field, Return.
save_as() {
  xdotool windowfocus --sync "$region"
  xdotool key ctrl+s
  local dialog
  dialog=$(new_window "$main" "$region")
  sleep 0.5
  if [ -n "${2:-}" ]; then
    # From the name field, Tab reaches the file type list; Down picks the next type.
    xdotool key Tab
    xdotool key $2
    xdotool key shift+Tab
    sleep 0.2
  fi
  xdotool key ctrl+a
  xdotool type --delay 20 "$work/pictures/$1"
  xdotool key Return
  wait_for gone "$dialog" || fail "the save dialog stayed open for $1"
}

expect_file() {
  local file=$work/pictures/$1 magic=$2
  wait_long 10 test -s "$file" || fail "nothing was saved to $1 ($(ls "$work/pictures"))"
  [ "$(head -c 2 "$file" | od -An -tx1 | tr -d ' ')" = "$magic" ] || fail "$1 is not what its name says"
  local differing
  differing=$(differing_pixels "$file" "$work/expected.png")
  [ "$differing" = 0 ] || fail "$1 differs from orandu-render in $differing pixels"
}

save_as plain
expect_file plain.png 8950
save_as plain Down
expect_file plain.bmp 424d
save_as upper.BMP
expect_file upper.BMP 424d

save_as photo.jpg
box=$(new_window "$main" "$region")
[ "$(xdotool getwindowname "$box")" = orandu ] || fail "no message box for photo.jpg"
xdotool key Return
wait_for gone "$box" || fail "the message box stayed"
[ ! -e "$work/pictures/photo.jpg" ] || fail "photo.jpg was written"
[ "$(ls "$work/pictures" | sort | tr '\n' ' ')" = "plain.bmp plain.png upper.BMP " ] ||
  fail "the folder holds $(ls -a "$work/pictures")"

echo "the save dialog offers PNG and BMP, adds the chosen extension and refuses .jpg"
