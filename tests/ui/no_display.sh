#!/usr/bin/env bash
# Started with no X display to open, the real program says so in one line in Japanese and exits
# with status 1, where the toolkit alone would print its advice in English and abort.
# Usage: no_display.sh PROGRAM
set -euo pipefail
program=$1
name=$(basename "$program")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

# refused EXPECTED_LINE [VARIABLE=VALUE...] [-- ARGUMENT...]: the program, with no window system
# chosen in its environment but the variables given, prints exactly the line and exits with 1.
refused() {
  local expected=$1 status=0
  shift
  local settings=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do settings+=("$1") && shift; done
  [ $# -gt 0 ] && shift
  env -u DISPLAY -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY "${settings[@]}" "$program" "$@" \
    </dev/null >"$scratch/out" 2>"$scratch/err" || status=$?
  [ "$status" = 1 ] || fail "exit status $status (${settings[*]} $*): $(cat "$scratch/err")"
  [ "$(cat "$scratch/err")" = "$expected" ] || fail "printed (${settings[*]} $*): $(cat "$scratch/err")"
  [ ! -s "$scratch/out" ] || fail "printed on standard output: $(cat "$scratch/out")"
}

# A display number no X server holds: neither its socket file nor its abstract socket exists.
free=65000
while [ -e "/tmp/.X11-unix/X$free" ] || grep -q "/tmp/.X11-unix/X$free\$" /proc/net/unix; do
  free=$((free + 1))
done

unset_line="$name: ディスプレイを開けません (DISPLAY が設定されていません)"
refused "$unset_line"
refused "$unset_line" DISPLAY=
refused "$name: ディスプレイ \":$free\" を開けません" DISPLAY=":$free"
refused "$name: ディスプレイ \":$free\" を開けません" -- -display ":$free"
echo "without a display the program says so in one line and exits with 1"
