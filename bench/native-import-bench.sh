#!/usr/bin/env bash
# Times `orandu-import --native` against `gdal_translate -of EHdr -ot Int16` on a generated
# global 1' float grid (21600 x 10800, netCDF-4, deflate level 1), side by side in one run, with
# each one's peak memory. gdal_translate comes from gdal-bin, which only this benchmark needs.
# Usage: bench/native-import-bench.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail
build=$(realpath "${1:-"$(dirname "$0")/../build"}")
work=${2:-"$(mktemp -d)"}
mkdir -p "$work"
command -v gdal_translate >/dev/null || {
  echo "native-import-bench: gdal_translate is missing (apt-get install gdal-bin)" >&2
  exit 1
}
grid=$work/grid1m.nc
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

samples=$((21600 * 10800))
printf 'input: %s (%d MB on disk, %d MB of float values, %d MB out)\n' "$grid" \
  $(($(stat -c %s "$grid") >> 20)) $((samples * 4 >> 20)) $((samples * 2 >> 20))
# Several rounds, alternating, and the medians: on a shared machine single runs vary widely.
rounds=${ROUNDS:-3}
results=$work/native-rounds.txt
: >"$results"
for round in $(seq "$rounds"); do
  read -r import_s import_cpu import_kb < <(run native "$build/orandu-import" --native "$grid" \
    "$work/native.bil")
  rm -f "$work/gdal.bil" "$work/gdal.hdr"
  read -r gdal_s gdal_cpu gdal_kb < <(run gdal_translate gdal_translate -q -of EHdr -ot Int16 \
    "$grid" "$work/gdal.bil")
  printf 'round %d: orandu-import --native %6.2f s (CPU %6.2f s), peak RSS %4d MB | ' \
    "$round" "$import_s" "$import_cpu" $((import_kb >> 10))
  printf 'gdal_translate %6.2f s (CPU %6.2f s), peak RSS %4d MB\n' \
    "$gdal_s" "$gdal_cpu" $((gdal_kb >> 10))
  echo "$import_s $import_cpu $gdal_s $gdal_cpu" >>"$results"
done
median() { cut -d' ' -f"$1" "$results" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
awk -v i="$(median 1)" -v ic="$(median 2)" -v g="$(median 3)" -v gc="$(median 4)" -v n="$samples" 'BEGIN {
  printf "median: orandu-import --native %.2f s, CPU %.2f s (%.0f million samples/s of CPU)\n", i, ic, n / ic / 1e6
  printf "median: gdal_translate %.2f s, CPU %.2f s: orandu-import is %.1f times as fast in time, %.1f in CPU\n", g, gc, g / i, gc / ic }'
