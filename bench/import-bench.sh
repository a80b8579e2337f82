#!/usr/bin/env bash
# Times orandu-import against GDAL on a generated global 1' float grid (21600 x 10800, netCDF-4,
# deflate level 1), side by side in one run, with each one's peak memory: the 5' import against
# `gdalwarp -r average`, or with --native the import at the grid's own spacing against
# `gdal_translate -of EHdr -ot Int16`. GDAL comes from gdal-bin, which only this benchmark needs.
# Usage: bench/import-bench.sh [--native] [BUILD_DIR] [WORK_DIR]
set -euo pipefail
native=false
if [ "${1:-}" = --native ]; then
  native=true
  shift
fi
build=$(realpath "${1:-"$(dirname "$0")/../build"}")
work=${2:-"$(mktemp -d)"}
mkdir -p "$work"
grid=$work/grid1m.nc
samples=$((21600 * 10800))
if $native; then
  ours=("$build/orandu-import" --native "$grid" "$work/native.bil")
  ours_name="orandu-import --native"
  theirs=(gdal_translate -q -of EHdr -ot Int16 "$grid" "$work/gdal.bil")
  leftovers=("$work/gdal.bil" "$work/gdal.hdr")
  out_mb=$((samples * 2 >> 20))
else
  ours=("$build/orandu-import" "$grid" "$work/import.dos")
  ours_name="orandu-import"
  theirs=(gdalwarp -q -r average -tr 0.0833333 0.0833333 "$grid" "$work/gdal.tif")
  leftovers=("$work/gdal.tif")
  out_mb=$((4320 * 2160 * 2 >> 20))
fi
command -v "${theirs[0]}" >/dev/null || {
  echo "import-bench: ${theirs[0]} is missing (apt-get install gdal-bin)" >&2
  exit 1
}
[ -f "$grid" ] || "$build/bench/make-import-bench-grid" "$grid"
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

printf 'input: %s (%d MB on disk, %d MB of float values, %d MB out)\n' "$grid" \
  $(($(stat -c %s "$grid") >> 20)) $((samples * 4 >> 20)) "$out_mb"
# Several rounds, alternating, and the medians: on a shared machine single runs vary widely.
rounds=${ROUNDS:-3}
results=$work/rounds.txt
: >"$results"
for round in $(seq "$rounds"); do
  read -r ours_s ours_cpu ours_kb < <(run ours "${ours[@]}")
  rm -f "${leftovers[@]}"
  read -r gdal_s gdal_cpu gdal_kb < <(run gdal "${theirs[@]}")
  printf 'round %d: %s %6.2f s (CPU %6.2f s), peak RSS %4d MB | ' \
    "$round" "$ours_name" "$ours_s" "$ours_cpu" $((ours_kb >> 10))
  printf '%s %6.2f s (CPU %6.2f s), peak RSS %4d MB\n' \
    "${theirs[0]}" "$gdal_s" "$gdal_cpu" $((gdal_kb >> 10))
  echo "$ours_s $ours_cpu $gdal_s $gdal_cpu" >>"$results"
done
median() { cut -d' ' -f"$1" "$results" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
awk -v o="$ours_name" -v t="${theirs[0]}" -v i="$(median 1)" -v ic="$(median 2)" \
  -v g="$(median 3)" -v gc="$(median 4)" -v n="$samples" 'BEGIN {
  printf "median: %s %.2f s, CPU %.2f s (%.0f million input samples/s of CPU, %.0f MB/s of floats)\n", o, i, ic, n / ic / 1e6, n * 4 / ic / 1048576
  printf "median: %s %.2f s, CPU %.2f s: %s is %.1f times as fast in time, %.1f in CPU\n", t, g, gc, o, g / i, gc / ic }'
