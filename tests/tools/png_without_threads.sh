#!/usr/bin/env bash
# With no thread to be had (a process limit of one), orandu-render still writes the whole
# grid's PNG, the same file as with threads. The limit holds only for an unprivileged user.
#
#   png_without_threads.sh BUILD_DIR DATA_DIR
set -euo pipefail
build=$1
data=$2
[ -f "$data/ETOPO5.DOS" ] && [ -f "$data/P1.BMP" ] || exit 77
[ "$(id -u)" = 0 ] && command -v setpriv >/dev/null || exit 77
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 777 "$scratch"
render=("$build/orandu-render" --grid "$data/ETOPO5.DOS" --bar "$data/P1.BMP" --center 180,0
  --size 4320x2160 --out)
"${render[@]}" "$scratch/threads.png" >/dev/null
# The leak checker needs a thread of its own, which the limit refuses it.
ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 \
  setpriv --reuid=65534 --regid=65534 --clear-groups bash -c 'ulimit -u 1; exec "$@"' limited \
  "${render[@]}" "$scratch/alone.png" >/dev/null ||
  { echo "FAIL: orandu-render failed without threads" >&2; exit 1; }
cmp -s "$scratch/threads.png" "$scratch/alone.png" ||
  { echo "FAIL: the PNG written without threads differs" >&2; exit 1; }
