#!/usr/bin/env bash
# End to end: the real program under a file-size limit of 0 bytes (`ulimit -f 0`) opens 設定 and
# presses Save. The write is refused, so the user gets the "cannot write" box, the program goes
# on, and the settings file is as it was, with no temporary left beside it.
# Usage: save_under_file_size_limit.sh BUILD_DIR DATA_DIR
set -euo pipefail
source "$(dirname "$0")/x_session.sh"
build=$(cd "$1" && pwd)
data=$(cd "$2" && pwd)
[ -s "$data/P1.BMP" ] || { echo "SKIP: no colour bar in $data"; exit 77; }

cp "$build/orandu" "$work/orandu"
ln -s "$data" "$work/data"
printf '; mine\r\n[SYSTEM]\r\nETOPO5=%s/ETOPO5.DOS\r\nColorBar=%s/P1.BMP\r\n' "$data" "$data" \
  >"$work/orandu.ini"
cp "$work/orandu.ini" "$work/before.ini"

start_x

# Only the program runs under the limit; the signal a write past it raises is left as it comes.
# What it prints goes through a pipe, which the limit does not cover.
mkfifo "$work/output"
cat "$work/output" >"$work/program.log" &
(ulimit -f 0 && exec "$work/orandu" >"$work/output" 2>&1) &
program=$!

# The first visible window named NAME (a regular expression), while the program lives.
window_named() {
  for _ in $(seq 200); do
    kill -0 "$program" 2>/dev/null || return 1
    xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 | grep . && return 0
    sleep 0.1
  done
  return 1
}

box=""
if main=$(window_named '^Orandu    powered by Vornak Tools\.$'); then
  # 設定 sits in the tool strip's right-hand panel (272, 2) at (4, 3), 80 × 22.
  xdotool mousemove --window "$main" 316 16 click 1
  if dialog=$(window_named '^設定$'); then
    if xdotool search --onlyvisible --name '^Orandu$' >/dev/null 2>&1; then
      echo "FAIL: an error box was up before Save was pressed"
      exit 1
    fi
    # Save: in the bottom strip (0, 89), its right-hand panel (274, 0), at (2, 5), 81 × 22.
    xdotool mousemove --window "$dialog" 316 105 click 1
    # The error box's title is the application's: the executable's name, "Orandu".
    box=$(window_named '^Orandu$') || true
  fi
fi

status=0
if ! kill -0 "$program" 2>/dev/null; then
  wait "$program" && code=0 || code=$?
  program=""
  echo "FAIL: the program ended (exit status $code) under the file-size limit"
  cat "$work/program.log"
  status=1
elif [ -z "$box" ]; then
  echo "FAIL: no error box appeared"
  status=1
fi
if ! cmp -s "$work/orandu.ini" "$work/before.ini"; then
  echo "FAIL: the settings file changed"
  status=1
fi
leftovers=$(find "$work" -maxdepth 1 -name 'orandu.ini.orandu-tmp-*' | wc -l)
if [ "$leftovers" != 0 ]; then
  echo "FAIL: $leftovers temporary files left beside the settings file"
  status=1
fi
[ "$status" = 0 ] && echo "Save under a 0-byte file-size limit reports the refusal and the program goes on"
exit $status
