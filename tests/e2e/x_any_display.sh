# Sourced after x_session.sh by window-system tests that want a screen of their own size: a
# private X server on whichever display number it finds free (-displayfd), so that nothing
# depends on a fixed number and tests can run side by side.

# start_x_any WIDTHxHEIGHT: the server, with $DISPLAY pointing at it.
start_x_any() {
  Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xserver=$!
  wait_long 20 test -s "$work/display" || fail "Xvfb named no display ($(cat "$work/xvfb.log"))"
  export DISPLAY=":$(head -1 "$work/display")"
  wait_long 20 xdpyinfo || fail "no X server on $DISPLAY ($(cat "$work/xvfb.log"))"
}

# differing_pixels A B: how many pixels of two pictures of one size differ.
differing_pixels() {
  compare -metric AE "$1" "$2" null: 2>&1 || true
}

# paint_area WINDOW WIDTH HEIGHT OUT: the region view's paint area (2 pixels into the window),
# captured with the pointer parked off the window so that the read-out covers nothing.
paint_area() {
  xdotool mousemove 0 0
  sleep 0.3
  import -window "$1" "$work/window.png"
  convert "$work/window.png" -crop "$2x$3+2+2" +repage "$4"
}
