#!/usr/bin/env bash
# Times orandu-import against GDAL on a generated global grid, side by side in one run, with each
# one's peak memory. By default the 5' import of a 1' float grid (21600 x 10800, netCDF-4, deflate
# level 1) against `gdalwarp -r average`; with --native the import of the same grid at its own
# spacing against `gdal_translate -of EHdr -ot Int16`; with --native-15s the same two on a 15"
# grid of 16-bit integers (86400 x 43200, netCDF-4, deflate level 1 in chunks of 16 whole rows:
# 5.5 GB in, 7.46 GB out each, so give it 25 GB free and 5 minutes to make the input).
# GDAL comes from gdal-bin, which only this benchmark needs. Each tool's output is removed after
# its run, and a working folder made here is removed at the end; one given is kept with its
# input grid, to be used again.
# Usage: bench/import-bench.sh [--native | --native-15s] [BUILD_DIR] [WORK_DIR]
set -euo pipefail
mode=${1:-}
case $mode in
  --native | --native-15s) shift ;;
  *) mode=resampled ;;
esac
build=$(realpath "${1:-"$(dirname "$0")/../build"}")
if [ -n "${2:-}" ]; then
  work=$2
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
if [ "$mode" = --native-15s ]; then
  grid=$work/grid15s.nc
  make_grid=("$build/bench/make-import-bench-grid" --15s "$grid.partial")
  samples=$((86400 * 43200))
  value_bytes=2
  value_type=16-bit
else
  grid=$work/grid1m.nc
  make_grid=("$build/bench/make-import-bench-grid" "$grid.partial")
  samples=$((21600 * 10800))
  value_bytes=4
  value_type=float
fi
if [ "$mode" = resampled ]; then
  ours=("$build/orandu-import" "$grid" "$work/import.dos")
  ours_name="orandu-import"
  theirs=(gdalwarp -q -r average -tr 0.0833333 0.0833333 "$grid" "$work/gdal.tif")
  outputs=("$work/import.dos" "$work/gdal.tif")
  out_mb=$((4320 * 2160 * 2 >> 20))
else
  ours=("$build/orandu-import" --native "$grid" "$work/native.bil")
  ours_name="orandu-import --native"
  theirs=(gdal_translate -q -of EHdr -ot Int16 "$grid" "$work/gdal.bil")
  levels=()
  for factor in 2 4 8 16 32 64; do levels+=("$work/native.z$factor.bil"); done
  outputs=("$work/native.bil" "$work/native.hdr" "${levels[@]}" "$work/gdal.bil" "$work/gdal.hdr")
  outputs+=("$work/gdal.prj" "$work/gdal.stx" "$work/gdal.bil.aux.xml")
  out_mb=$((samples * 2 >> 20))
fi
command -v "${theirs[0]}" >/dev/null || {
  echo "import-bench: ${theirs[0]} is missing (apt-get install gdal-bin)" >&2
  exit 1
}
# Made under another name first, so that an interrupted run leaves no grid to be used again.
[ -f "$grid" ] || { "${make_grid[@]}" && mv "$grid.partial" "$grid"; }
cat "$grid" >/dev/null  # both tools start from a warm page cache

# run NAME COMMAND...: prints "wall_seconds cpu_seconds peak_kB" of one run. The CPU time is
# shown too because on a shared machine the wall time also counts waiting for a processor.
run() {
  local name=$1
  shift
  /usr/bin/time -v "$@" >"$work/$name.out" 2>"$work/$name.time"
  awk -F': ' '
    /Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; ++i) s = s * 60 + p[i] }
    /User time|System time/ { cpu += $2 }
    /Maximum resident set size/ { kb = $2 }
    END { printf "%.2f %.2f %d\n", s, cpu, kb }' "$work/$name.time"
}

printf 'input: %s (%d MB on disk, %d MB of %s values, %d MB out)\n' "$grid" \
  $(($(stat -c %s "$grid") >> 20)) $((samples * value_bytes >> 20)) "$value_type" "$out_mb"
# Several rounds, alternating, and the medians: on a shared machine single runs vary widely.
rounds=${ROUNDS:-3}
results=$work/rounds.txt
: >"$results"
for round in $(seq "$rounds"); do
  # Each starts with no output of the other's waiting to be written to disk.
  rm -f "${outputs[@]}" && sync
  read -r ours_s ours_cpu ours_kb < <(run ours "${ours[@]}")
  # The zoomed-out levels --native writes beside the grid, on disk beside the grid itself.
  if [ "$round" = 1 ] && [ "$mode" != resampled ]; then
    printf 'levels 1/2 … 1/64: %d MB beside the grid'"'"'s %d MB\n' \
      $(($(stat -c %s "${levels[@]}" | paste -sd+) >> 20)) $(($(stat -c %s "$work/native.bil") >> 20))
  fi
  rm -f "${outputs[@]}" && sync
  read -r gdal_s gdal_cpu gdal_kb < <(run gdal "${theirs[@]}")
  printf 'round %d: %s %6.2f s (CPU %6.2f s), peak RSS %4d MB | ' \
    "$round" "$ours_name" "$ours_s" "$ours_cpu" $((ours_kb >> 10))
  printf '%s %6.2f s (CPU %6.2f s), peak RSS %4d MB\n' \
    "${theirs[0]}" "$gdal_s" "$gdal_cpu" $((gdal_kb >> 10))
  echo "$ours_s $ours_cpu $gdal_s $gdal_cpu" >>"$results"
done
rm -f "${outputs[@]}"
median() { cut -d' ' -f"$1" "$results" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
awk -v o="$ours_name" -v t="${theirs[0]}" -v i="$(median 1)" -v ic="$(median 2)" \
  -v g="$(median 3)" -v gc="$(median 4)" -v n="$samples" -v b="$value_bytes" -v t2="$value_type" 'BEGIN {
  printf "median: %s %.2f s, CPU %.2f s (%.0f million input samples/s of CPU, %.0f MB/s of %s values)\n", o, i, ic, n / ic / 1e6, n * b / ic / 1048576, t2
  printf "median: %s %.2f s, CPU %.2f s: %s is %.1f times as fast in time, %.1f in CPU\n", t, g, gc, o, g / i, gc / ic }'
