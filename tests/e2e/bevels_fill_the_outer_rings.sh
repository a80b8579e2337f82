#!/usr/bin/env bash
# Every bevelled panel is framed by a one-pixel lowered outer bevel around a one-pixel raised
# inner bevel, in exactly its outermost two rings of pixels: checked on captures of the real
# windows, for the main window's two panels and the region view's.
# Usage: bevels_fill_the_outer_rings.sh BUILD_DIR DATA_DIR
set -euo pipefail
source "$(dirname "$0")/x_session.sh"
[ -s "$2/ETOPO5.DOS" ] || { echo "SKIP: no converted grid in $2"; exit 77; }

# The palette's shadow and highlight colours.
shadow='#9F9F9F' light='#FFFFFF'

# colours CAPTURE X Y W H: the distinct colours of a rectangle of the capture.
colours() {
  convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -unique-colors -depth 8 txt:- |
    awk 'NR > 1 {printf "%s ", $3}'
}

# expect CAPTURE X Y W H COLOUR WHAT
expect() {
  local seen
  seen=$(colours "$1" "$2" "$3" "$4" "$5")
  [ "$seen" = "$6 " ] || fail "$7 of $1 (${4}x${5}+${2}+${3}) is $seen, not $6"
}

# rings CAPTURE X Y W H: the panel at (X, Y) of size W x H in the capture.
rings() {
  local c=$1 x=$2 y=$3 w=$4 h=$5
  # Outer, lowered: shadow on top and left; light on bottom and right, corners included.
  expect "$c" "$x" "$y" $((w - 1)) 1 "$shadow" "outer top"
  expect "$c" "$x" "$y" 1 $((h - 1)) "$shadow" "outer left"
  expect "$c" "$x" $((y + h - 1)) "$w" 1 "$light" "outer bottom"
  expect "$c" $((x + w - 1)) "$y" 1 "$h" "$light" "outer right"
  # Inner, raised: light on top and left; shadow on bottom and right.
  expect "$c" $((x + 1)) $((y + 1)) $((w - 3)) 1 "$light" "inner top"
  expect "$c" $((x + 1)) $((y + 1)) 1 $((h - 3)) "$light" "inner left"
  expect "$c" $((x + 1)) $((y + h - 2)) $((w - 2)) 1 "$shadow" "inner bottom"
  expect "$c" $((x + w - 2)) $((y + 1)) 1 $((h - 2)) "$shadow" "inner right"
}

start_x
start_program "$1" "$2"
press_on_map 126 23
region=$(new_window "$main")
sleep 1  # let both windows be painted
import -window "$main" "$work/main.png"
import -window "$region" "$work/region.png"

rings "$work/main.png" 0 0 364 31     # the tool strip
rings "$work/main.png" 0 31 364 185   # the map's panel
rings "$work/region.png" 0 0 492 445  # the region view's panel
echo "every bevel lies in its panel's two outermost rings"
