#!/usr/bin/env bash
# orandu-import --native on the real 20′ ETOPO, opened by GDAL through its header: the size, the
# pixel size and the corners against the input's own coordinates, read here with ncdump.
#
#   native_grid_gdalinfo.sh BUILD_DIR
set -euo pipefail
build=$1
input=/usr/share/ferret-vis/data/etopo20.cdf
[ -f "$input" ] && command -v gdalinfo >/dev/null && command -v ncdump >/dev/null || exit 77
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

"$build/orandu-import" --native "$input" "$scratch/etopo20.bil" >/dev/null
[ -f "$scratch/etopo20.hdr" ] || fail "no header beside the grid"
for factor in 2 4 8 16 32 64; do
  [ -f "$scratch/etopo20.z$factor.bil" ] || fail "no level 1/$factor beside the grid"
done

# The coordinates as ncdump prints them: one axis's values, one a line.
values() {
  ncdump -v "$1" "$input" | sed -n "/^ $1 = /,/;/p" | tr -d ' ;' | sed "s/^$1=//" | tr ',' '\n' |
    grep -v '^$'
}
values ETOPO20X1_1081 >"$scratch/lon"
values ETOPO20Y >"$scratch/lat"
# The stored coordinates drift from the 20′ lattice by up to 0.07″ (2e-5°): corners are compared
# within 1e-4°, a small part of the 0.17° a misplaced half sample would make.
# Samples per row: one less when the last longitude repeats the first a turn on. The edges lie
# half a sample outside the samples; columns start at the first sample at or east of 0°.
read -r width height step west north east south <<<"$(awk '
  FNR == 1 { file++ }
  file == 1 { lon[++n] = $1 }
  file == 2 { lat[++m] = $1 }
  END {
    measured = (lon[n] - lon[1]) / (n - 1)
    width = (lon[n] - lon[1] + measured / 2 > 360) ? n - 1 : n
    step = 360 / width
    first = 1e9
    for (i = 1; i <= width; ++i) { x = lon[i] % 360; if (x < 0) x += 360; if (x < first) first = x }
    top = lat[1] > lat[m] ? lat[1] : lat[m]
    west = first - step / 2
    north = top + step / 2
    printf "%d %d %.15f %.7f %.7f %.7f %.7f\n", width, m, step, west, north, west + width * step,
      north - m * step }' "$scratch/lon" "$scratch/lat")"

info=$(gdalinfo "$scratch/etopo20.bil")
grep -qxF "Driver: EHdr/ESRI .hdr Labelled" <<<"$info" || fail "not opened through its header"
grep -qxF "Size is $width, $height" <<<"$info" || fail "$(grep Size <<<"$info"), expected $width, $height"
grep -qF "Type=Int16" <<<"$info" || fail "the samples are not signed 16-bit"
! grep -q "Overviews" <<<"$info" || fail "the level files were taken for the raster's own overviews"
read -r shown_x shown_y <<<"$(sed -nE 's/^Pixel Size = \(([-0-9.]+),([-0-9.]+)\)$/\1 \2/p' <<<"$info")"
awk -v p="$shown_x" -v q="$shown_y" -v s="$step" \
  'BEGIN { exit (p - s > 1e-9 || s - p > 1e-9 || q + s > 1e-9 || -s - q > 1e-9) }' ||
  fail "pixel size $shown_x, $shown_y, expected $step, -$step"
for corner in "Upper Left:$west:$north" "Lower Left:$west:$south" "Upper Right:$east:$north" \
  "Lower Right:$east:$south"; do
  IFS=: read -r name x y <<<"$corner"
  line=$(grep "^$name " <<<"$info")
  read -r shown_x shown_y <<<"$(sed -E 's/^[^(]*\( *([-0-9.]+), *([-0-9.]+)\).*/\1 \2/' <<<"$line")"
  awk -v p="$shown_x" -v q="$shown_y" -v x="$x" -v y="$y" \
    'BEGIN { exit (p - x > 1e-4 || x - p > 1e-4 || q - y > 1e-4 || y - q > 1e-4) }' ||
    fail "$name is [$line], expected $x, $y"
done
echo "etopo20 opens in GDAL as $width x $height samples of $step°, $west $north to $east $south"
