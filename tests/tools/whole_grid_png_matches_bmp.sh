#!/usr/bin/env bash
# orandu-render's PNG and BMP of the whole real grid hold the same pixels, by ImageMagick's count.
#
#   whole_grid_png_matches_bmp.sh BUILD_DIR DATA_DIR
set -euo pipefail
build=$1
data=$2
[ -f "$data/ETOPO5.DOS" ] && [ -f "$data/P1.BMP" ] || exit 77
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for extension in png bmp; do
  "$build/orandu-render" --grid "$data/ETOPO5.DOS" --bar "$data/P1.BMP" --center 180,0 \
    --size 4320x2160 --out "$scratch/whole.$extension" >/dev/null
done
[ "$(identify -format '%m %wx%h' "$scratch/whole.png")" = "PNG 4320x2160" ]
differing=$(compare -metric AE "$scratch/whole.png" "$scratch/whole.bmp" null: 2>&1) || true
[ "$differing" = 0 ] || {
  echo "FAIL: $differing pixels differ between the PNG and the BMP" >&2
  exit 1
}
