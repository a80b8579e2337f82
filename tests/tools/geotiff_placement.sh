#!/usr/bin/env bash
# orandu-render's GeoTIFF and world files, read by GDAL: the size, WGS 84 (EPSG:4326), pixels as
# areas, and corners computed here from the centre the tool reports and the size. The GeoTIFF
# holds the PNG's pixels, by GDAL's checksums of their bands.
#
#   geotiff_placement.sh BUILD_DIR DATA_DIR
set -euo pipefail
build=$1
data=$2
[ -f "$data/ETOPO5.DOS" ] && [ -f "$data/P1.BMP" ] || exit 77
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The grid: row r at 90 - r/12 degrees north, column c at c/12 degrees east; a region's first row
# and column lie half its size (rounded half to even) and one more before its centre's sample.
# Prints west north east south of the picture's edges, half a sample outside the samples, with
# the longitudes shifted by whole turns so that the middle lies in [-180, 180).
expected_edges() {
  awk -v lon="$1" -v lat="$2" -v w="$3" -v h="$4" 'function half(n, q) {
      q = int(n / 2); if (n % 2 == 1 && q % 2 == 1) q++; return q }
    BEGIN {
      west = (12 * lon - half(w) - 1) / 12 - 1 / 24
      north = 90 - (12 * lat - half(h) - 1) / 12 + 1 / 24
      while (west + w / 24 >= 180) west -= 360
      while (west + w / 24 < -180) west += 360
      printf "%.7f %.7f %.7f %.7f\n", west, north, west + w / 12, north - h / 12 }'
}

# Rows: the picked centre and the size. Across the 0° meridian the westmost columns wrap to the
# far east, and near the east end the eastmost wrap to the west: both stay one range.
while read -r centre size; do
  out="$scratch/region.tif"
  printed=$("$build/orandu-render" --grid "$data/ETOPO5.DOS" --bar "$data/P1.BMP" \
    --center "$centre" --size "$size" --out "$out" --world-file)
  read -r _ lon lat <<<"$printed"
  width=${size%x*}
  height=${size#*x}
  info=$(gdalinfo "$out")
  grep -qxF "Size is $width, $height" <<<"$info" || fail "$centre $size: $(grep Size <<<"$info")"
  grep -qF 'ID["EPSG",4326]]' <<<"$info" || fail "$centre $size: not EPSG:4326"
  grep -qxF '  AREA_OR_POINT=Area' <<<"$info" || fail "$centre $size: pixels are not areas"
  read -r west north east south <<<"$(expected_edges "$lon" "$lat" "$width" "$height")"
  for corner in "Upper Left:$west:$north" "Lower Left:$west:$south" "Upper Right:$east:$north" \
    "Lower Right:$east:$south"; do
    IFS=: read -r name x y <<<"$corner"
    line=$(grep "^$name " <<<"$info")
    read -r shown_x shown_y <<<"$(sed -E 's/^[^(]*\( *([-0-9.]+), *([-0-9.]+)\).*/\1 \2/' <<<"$line")"
    awk -v p="$shown_x" -v q="$shown_y" -v x="$x" -v y="$y" \
      'BEGIN { exit (p - x > 1e-6 || x - p > 1e-6 || q - y > 1e-6 || y - q > 1e-6) }' ||
      fail "$centre $size: $name is [$line], expected $x, $y"
  done

  # The world file places the top-left pixel's centre.
  mapfile -t world <"$scratch/region.tfw"
  [ ${#world[@]} = 6 ] || fail "$centre $size: the world file has ${#world[@]} lines"
  awk -v a="${world[0]}" -v b="${world[1]}" -v c="${world[2]}" -v d="${world[3]}" \
    -v e="${world[4]}" -v f="${world[5]}" -v west="$west" -v north="$north" 'function off(p, q) {
      return (p - q > 1e-6 || q - p > 1e-6) }
    BEGIN { exit off(a, 1 / 12) || off(b, 0) || off(c, 0) || off(d, -1 / 12) ||
      off(e, west + 1 / 24) || off(f, north - 1 / 24) }' ||
    fail "$centre $size: world file ${world[*]}, expected the centre of $west $north"

  # The same region as PNG and BMP: the same pixels, the same world file beside each.
  for picture in png:pgw bmp:bpw; do
    "$build/orandu-render" --grid "$data/ETOPO5.DOS" --bar "$data/P1.BMP" --center "$centre" \
      --size "$size" --out "$scratch/region.${picture%:*}" --world-file >/dev/null
    cmp -s "$scratch/region.${picture#*:}" "$scratch/region.tfw" ||
      fail "$centre $size: the .${picture#*:} differs from the .tfw"
  done
  checksums() { gdalinfo -checksum "$1" | grep -o 'Checksum=[0-9]*' | tr '\n' ' '; }
  tiff_sums=$(checksums "$out")
  png_sums=$(checksums "$scratch/region.png")
  [ -n "$tiff_sums" ] && [ "$tiff_sums" = "$png_sums" ] ||
    fail "$centre $size: the GeoTIFF's bands [$tiff_sums], the PNG's [$png_sums]"
done <<'ROWS'
138,55 488x441
0,90 600x300
359,90 600x301
180,90 4320x2160
ROWS

# Heights, as GeoTIFF and as netCDF: the sample at a grid row and column, looked up by GDAL at
# that sample's position (row r at 90 - r/12° N, column c at c/12° E; a negative column lies west
# of 0° and wraps), is the grid file's own, and the picture's corners hold for the heights too.
sample() {
  local column=$(($2 < 0 ? $2 + 4320 : $2))
  od -An -t d2 -j $((($1 * 4320 + column) * 2)) -N 2 "$data/ETOPO5.DOS" | tr -d ' '
}
while read -r centre size row column; do
  for out in "$scratch/heights.tif" "$scratch/heights.nc"; do
    printed=$("$build/orandu-render" --grid "$data/ETOPO5.DOS" --center "$centre" --size "$size" \
      --heights --out "$out")
    read -r _ centre_lon centre_lat <<<"$printed"
    info=$(gdalinfo "$out")
    grep -qxF "Size is ${size%x*}, ${size#*x}" <<<"$info" || fail "$out $centre $size: the size"
    grep -qF 'Type=Int16' <<<"$info" || fail "$out $centre $size: not 16-bit signed"
    grep -qF 'ID["EPSG",4326]]' <<<"$info" || fail "$out $centre $size: not EPSG:4326"
    read -r west north _ <<<"$(expected_edges "$centre_lon" "$centre_lat" "${size%x*}" "${size#*x}")"
    read -r shown_x shown_y <<<"$(grep '^Upper Left ' <<<"$info" |
      sed -E 's/^[^(]*\( *([-0-9.]+), *([-0-9.]+)\).*/\1 \2/')"
    awk -v p="$shown_x" -v q="$shown_y" -v x="$west" -v y="$north" \
      'BEGIN { exit (p - x > 1e-6 || x - p > 1e-6 || q - y > 1e-6 || y - q > 1e-6) }' ||
      fail "$out $centre $size: the upper left corner is $shown_x $shown_y, expected $west $north"
    lon=$(awk -v c="$column" 'BEGIN { printf "%.6f", c / 12 }')
    lat=$(awk -v r="$row" 'BEGIN { printf "%.6f", 90 - r / 12 }')
    found=$(gdallocationinfo -valonly -geoloc "$out" "$lon" "$lat")
    [ "$found" = "$(sample "$row" "$column")" ] ||
      fail "$out $centre $size: $found at row $row column $column, the grid has $(sample "$row" "$column")"
  done
  # The classic format pads every variable's data to four bytes, the last one too.
  [ $(($(stat -c %s "$scratch/heights.nc") % 4)) = 0 ] || fail "the netCDF file of $size is unpadded"
  # netCDF's own reader takes the file whole, coordinates and samples.
  ncdump "$scratch/heights.nc" >"$scratch/dump.txt" || fail "ncdump cannot read $centre $size"
  for line in 'short z(lat, lon) ;' 'lat:units = "degrees_north" ;' 'lon:units = "degrees_east" ;' \
    'z:_FillValue = -32768s ;'; do
    grep -qF "$line" "$scratch/dump.txt" || fail "the netCDF file of $centre $size lacks: $line"
  done
done <<'ROWS'
138,55 488x441 656 1665
138,55 488x441 440 1412
0,90 600x300 1080 -1
0,90 601x301 1000 5
359,90 600x301 1100 -20
ROWS

# Heights go only into a GeoTIFF: another --out is a usage error, and nothing is written.
status=0
"$build/orandu-render" --grid "$data/ETOPO5.DOS" --center 138,55 --heights \
  --out "$scratch/heights.png" >/dev/null 2>"$scratch/errors.txt" || status=$?
[ "$status" = 2 ] && grep -qF -- "--heights needs --out to name a .tif or .nc file" "$scratch/errors.txt" ||
  fail "--heights with a PNG: status $status, $(cat "$scratch/errors.txt")"
[ ! -e "$scratch/heights.png" ] || fail "--heights with a PNG wrote a file"

# A world file goes beside a heights GeoTIFF too, and never beside a netCDF file.
"$build/orandu-render" --grid "$data/ETOPO5.DOS" --center 138,55 --heights --world-file \
  --out "$scratch/world-heights.tif" >/dev/null
"$build/orandu-render" --grid "$data/ETOPO5.DOS" --bar "$data/P1.BMP" --center 138,55 --world-file \
  --out "$scratch/world-picture.tif" >/dev/null
cmp -s "$scratch/world-heights.tfw" "$scratch/world-picture.tfw" ||
  fail "the heights' world file differs from the picture's"
status=0
"$build/orandu-render" --grid "$data/ETOPO5.DOS" --center 138,55 --heights --world-file \
  --out "$scratch/world.nc" >/dev/null 2>"$scratch/errors.txt" || status=$?
[ "$status" = 2 ] && [ ! -e "$scratch/world.nc" ] ||
  fail "--world-file beside a netCDF file: status $status, $(cat "$scratch/errors.txt")"
