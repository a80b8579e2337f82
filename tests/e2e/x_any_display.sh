# Sourced after x_session.sh by window-system tests that want a screen of their own size.

# start_x_any WIDTHxHEIGHT: start_x with a screen of that size.
start_x_any() {
  x_screen=$1 start_x
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
