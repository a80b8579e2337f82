#!/usr/bin/env bash
# Builds the libFuzzer targets, replays their seed corpora and kept crashes, then fuzzes each
# target for a while. Fails when any input crashes, hangs or runs out of memory.
#
#   scripts/fuzz.sh [seconds per target, default 30]
#
# Seeds live in tests/fuzz/corpus/<target>/ and inputs that once crashed in
# tests/fuzz/regressions/<target>/; neither is written to. Fuzzing grows a copy of them in
# build-fuzz/corpus/<target>/ (kept between runs) and saves what it finds in
# build-fuzz/artifacts/<target>/. ORANDU_FUZZ_BUILD_DIR names another build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
build=${ORANDU_FUZZ_BUILD_DIR:-build-fuzz}
targets=(bmp color_bar settings region palette grid_header)

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" -j2

options=(-rss_limit_mb=2048 -timeout=10 -print_final_stats=1)
failed=0
summary=()
for target in "${targets[@]}"; do
  fuzzer="$build/fuzz/fuzz_$target"
  seeds=(tests/fuzz/corpus/"$target")
  [ -d tests/fuzz/regressions/"$target" ] && seeds+=(tests/fuzz/regressions/"$target")
  log="$build/fuzz/$target.log"

  echo "== $target: replaying ${seeds[*]}"
  if ! "$fuzzer" "${options[@]}" -runs=0 "${seeds[@]}" >"$log" 2>&1; then
    tail -n 40 "$log"
    summary+=("$target: a kept input fails again (log: $log)")
    failed=1
    continue
  fi

  echo "== $target: fuzzing for $seconds s"
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  for seed in "${seeds[@]}"; do cp -n "$seed"/* "$corpus"/ 2>/dev/null || true; done
  stamp="$build/fuzz/$target.started"
  touch "$stamp"
  status=0
  "$fuzzer" "${options[@]}" -max_total_time="$seconds" -artifact_prefix="$artifacts/" \
    "$corpus" >"$log" 2>&1 || status=$?

  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  [ -n "$executions" ] || executions=$(sed -n 's/^#\([0-9]*\).*/\1/p' "$log" | tail -n 1)
  inputs=$(find "$corpus" -type f | wc -l)
  crashes=$(find "$artifacts" -type f -newer "$stamp" | wc -l)
  if [ "$status" -ne 0 ] || [ "$crashes" -ne 0 ]; then
    tail -n 60 "$log"
    echo "$target: found a failing input, kept in $artifacts/ (log: $log)"
    failed=1
  fi
  summary+=("$target: ${executions:-0} execs, $inputs inputs in corpus, crashes: $crashes")
done

printf '%s\n' "${summary[@]}"
exit "$failed"
