#!/usr/bin/env bash
# The region view and the settings dialog are centred on the screen when first shown: their
# frame under a window manager, their client area exactly where there is none.
# Usage: windows_are_centred.sh BUILD_DIR DATA_DIR [openbox]
set -euo pipefail
source "$(dirname "$0")/x_session.sh"
[ -s "$2/ETOPO5.DOS" ] || { echo "SKIP: no converted grid in $2"; exit 77; }

# expect_centred WINDOW CLIENT_WIDTH CLIENT_HEIGHT: on the 1280 x 1024 screen.
expect_centred() {
  local left=0 right=0 top=0 bottom=0 x y
  if [ -n "${4:-}" ]; then
    read -r left right top bottom < <(xprop -id "$1" -notype _NET_FRAME_EXTENTS |
      sed -n 's/^_NET_FRAME_EXTENTS = //p' | tr -d ,)
    [ -n "$bottom" ] || fail "openbox announced no frame for window $1"
  fi
  read -r x y < <(client_origin "$1")
  local frame_x=$((x - left)) frame_y=$((y - top))
  local want_x=$(((1280 - (left + $2 + right)) / 2)) want_y=$(((1024 - (top + $3 + bottom)) / 2))
  [ "$frame_x,$frame_y" = "$want_x,$want_y" ] ||
    fail "window $1 is at $frame_x,$frame_y with its frame, not $want_x,$want_y"
}

start_x "${3:-}"
start_program "$1" "$2"
press_on_map 126 23
region=$(new_window "$main")
wait_for is_viewable "$region" || fail "the region view was not mapped"
sleep 0.5  # let the window manager settle it
expect_centred "$region" 492 445 "${3:-}"

xdotool mousemove --window "$main" 316 16 click 1  # 設定
settings=$(new_window "$main" "$region")
sleep 0.5
expect_centred "$settings" 360 120 "${3:-}"
echo "the region view and the settings dialog are centred${3:+ under $3}"
