#!/usr/bin/env bash
# orandu-render on the real 20′ ETOPO imported at its own spacing, against GDAL reading the same
# file through its header: the heights of the region, cut out by GDAL at the first row and column
# the region's rules give (3 samples a degree), and where the picture is placed.
#
#   native_grid_render.sh BUILD_DIR
set -euo pipefail
build=$1
input=/usr/share/ferret-vis/data/etopo20.cdf
[ -f "$input" ] && command -v gdalinfo >/dev/null || exit 77
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

"$build/orandu-import" --native "$input" "$scratch/etopo20.bil" >/dev/null
"$build/make-design-bar" "$scratch/bar.bmp"  # the build may hold no prepared data

# (lon, lat south of 90° N, width, height): inside the grid, and across the 0° meridian.
for region in "150 60 200 101" "0 100 64 40"; do
  read -r lon lat width height <<<"$region"
  # round(size / 2) with halves to even, as the region's rules round.
  half() { awk -v s="$1" 'BEGIN { h = s / 2; r = int(h); if (h - r > 0.5 || (h - r == 0.5 && r % 2)) r++; print r }'; }
  first_column=$((lon * 3 - $(half "$width") - 1))
  first_row=$((lat * 3 - $(half "$height") - 1))
  "$build/orandu-render" --grid "$scratch/etopo20.bil" --center "$lon,$lat" --no-pullback \
    --size "${width}x$height" --heights --out "$scratch/ours.tif" >/dev/null
  "$build/orandu-render" --grid "$scratch/etopo20.bil" --center "$lon,$lat" --no-pullback \
    --size "${width}x$height" --bar "$scratch/bar.bmp" --shade --out "$scratch/shaded.png" \
    >/dev/null ||
    fail "no shaded picture of $region"
  if ((first_column < 0)); then
    # Across the seam: GDAL's part west of 0° comes from the grid's last columns.
    gdal_translate -q -srcwin $((1080 + first_column)) "$first_row" $((-first_column)) "$height" \
      "$scratch/etopo20.bil" "$scratch/west.tif"
    gdal_translate -q -srcwin 0 "$first_row" $((width + first_column)) "$height" \
      "$scratch/etopo20.bil" "$scratch/east.tif"
    ours_west=$(gdal_translate -q -srcwin 0 0 $((-first_column)) "$height" "$scratch/ours.tif" \
      "$scratch/ours_west.tif" && gdalinfo -checksum "$scratch/ours_west.tif" | grep Checksum)
    ours_east=$(gdal_translate -q -srcwin $((-first_column)) 0 $((width + first_column)) \
      "$height" "$scratch/ours.tif" "$scratch/ours_east.tif" &&
      gdalinfo -checksum "$scratch/ours_east.tif" | grep Checksum)
    [ "$ours_west" = "$(gdalinfo -checksum "$scratch/west.tif" | grep Checksum)" ] ||
      fail "the heights west of 0° of $region differ"
    [ "$ours_east" = "$(gdalinfo -checksum "$scratch/east.tif" | grep Checksum)" ] ||
      fail "the heights east of 0° of $region differ"
    continue
  fi
  gdal_translate -q -srcwin "$first_column" "$first_row" "$width" "$height" \
    "$scratch/etopo20.bil" "$scratch/theirs.tif"
  ours=$(gdalinfo -checksum "$scratch/ours.tif")
  theirs=$(gdalinfo -checksum "$scratch/theirs.tif")
  [ "$(grep Checksum <<<"$ours")" = "$(grep Checksum <<<"$theirs")" ] ||
    fail "the heights of $region differ: $(grep Checksum <<<"$ours") against $(grep Checksum <<<"$theirs")"
  for key in Origin "Pixel Size"; do
    read -r x1 y1 <<<"$(sed -nE "s/^$key = \(([-0-9.e]+),([-0-9.e]+)\)$/\1 \2/p" <<<"$ours")"
    read -r x2 y2 <<<"$(sed -nE "s/^$key = \(([-0-9.e]+),([-0-9.e]+)\)$/\1 \2/p" <<<"$theirs")"
    awk -v a="$x1" -v b="$y1" -v c="$x2" -v d="$y2" \
      'BEGIN { exit !(a != "" && (a - c) ^ 2 < 1e-18 && (b - d) ^ 2 < 1e-18) }' ||
      fail "$key of $region is ($x1, $y1), GDAL says ($x2, $y2)"
  done
done
echo "orandu-render shows and places the 20′ grid's samples as GDAL reads them"
