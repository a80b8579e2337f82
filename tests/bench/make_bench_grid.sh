#!/usr/bin/env bash
# make-bench-grid at 4 samples per degree, opened by GDAL through its header: the header's text,
# the size, the pixel size, the corners of the whole globe, samples against the relief worked
# out here, and a run that fails leaving nothing that passes for a finished grid.
#
#   make_bench_grid.sh BUILD_DIR
set -euo pipefail
build=$1
command -v gdalinfo >/dev/null && command -v gdallocationinfo >/dev/null || exit 77
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

"$build/bench/make-bench-grid" 4 "$scratch/grid.bil"
[ "$(stat -c %s "$scratch/grid.bil")" = $((1440 * 720 * 2)) ] || fail "not 1440 x 720 samples"
printf 'NROWS 720\nNCOLS 1440\nNBANDS 1\nNBITS 16\nPIXELTYPE SIGNEDINT\nBYTEORDER I\nLAYOUT BIL\nULXMAP 0.125\nULYMAP 89.875\nXDIM 0.25\nYDIM 0.25\n' >"$scratch/expected.hdr"
diff "$scratch/expected.hdr" "$scratch/grid.hdr" || fail "the header differs from the import's"
ls "$scratch" | grep -q partial && fail "a temporary is left: $(ls "$scratch")"

info=$(gdalinfo "$scratch/grid.bil")
grep -qxF "Driver: EHdr/ESRI .hdr Labelled" <<<"$info" || fail "not opened through its header"
grep -qxF "Size is 1440, 720" <<<"$info" || fail "$(grep Size <<<"$info")"
grep -qF "Type=Int16" <<<"$info" || fail "the samples are not signed 16-bit"
grep -qxF "Pixel Size = (0.250000000000000,-0.250000000000000)" <<<"$info" ||
  fail "$(grep Pixel <<<"$info")"
for corner in "Upper Left  (   0.0000000,  90.0000000)" "Lower Left  (   0.0000000, -90.0000000)" \
  "Upper Right (     360.000,      90.000)" "Lower Right (     360.000,     -90.000)"; do
  grep -qxF "$corner " <<<"$info" || fail "no [$corner] in: $(grep -A4 Corner <<<"$info")"
done

# The smooth relief at a sample's centre, mapped onto -11000 ... 8800 m less the ±20 m of
# roughness: a sample half a step off, rows upside down or bytes swapped land far outside it.
for sample in "0 0" "1439 719" "100 37" "811 300" "1200 650" "333 512"; do
  read -r column row <<<"$sample"
  value=$(gdallocationinfo -valonly "$scratch/grid.bil" "$column" "$row")
  awk -v c="$column" -v r="$row" -v v="$value" 'BEGIN {
    pi = atan2(0, -1); lambda = (c + 0.5) / 4 * pi / 180; phi = (90 - (r + 0.5) / 4) * pi / 180
    smooth = 3000 * sin(3 * lambda) * cos(2 * phi) + 1500 * sin(7 * lambda + 2 * phi)
    expected = -1100 + smooth * 9880 / 4500
    exit (v < expected - 20.5 || v > expected + 20.5) }' ||
    fail "sample $column, $row is $value, away from the relief there"
done

# A failing run takes the old header with it and leaves no temporary.
mkdir "$scratch/taken.bil"
touch "$scratch/taken.hdr"
if "$build/bench/make-bench-grid" 1 "$scratch/taken.bil" 2>"$scratch/error"; then
  fail "writing over a folder succeeded"
fi
grep -q "cannot write" "$scratch/error" || fail "no reason given: $(cat "$scratch/error")"
[ ! -e "$scratch/taken.hdr" ] || fail "the old header still passes for a finished grid"
ls "$scratch" | grep -q partial && fail "a temporary is left: $(ls "$scratch")"

for spacing in 0 3601 x4 ""; do
  status=0
  "$build/bench/make-bench-grid" "$spacing" "$scratch/bad.bil" 2>/dev/null || status=$?
  [ "$status" = 2 ] || fail "samples per degree [$spacing] gave status $status"
done
[ ! -e "$scratch/bad.bil" ] || fail "a refused spacing wrote a grid"
echo "make-bench-grid writes a whole-globe grid that GDAL opens in place"
