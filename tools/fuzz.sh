#!/usr/bin/env bash
# Fuzzes the targets for longer than the test run does: one target at a time,
# in one process, from the committed seeds and the corpus earlier runs grew
# (in build/sanitize/fuzz/corpus). Reports each target's executions.
#
#   tools/fuzz.sh [seconds per target, default 600] [target...]
#   MORVA_FUZZ_RUNS=10000000 tools/fuzz.sh 86400   # stop each at 10 million
#
# Targets: bmp mrv rle8. A finding stops its target and is kept in
# build/sanitize/fuzz/crashes; the script then exits with status 1.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-600}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(bmp mrv rle8)

build=${MORVA_BUILD_DIR:-build}
if [ ! -f "$build/build.ninja" ]; then
  tools/install-deps.sh
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" --target sanitize
fuzz=$build/sanitize/fuzz

summary=()
status=0
for target in "${targets[@]}"; do
  log=$fuzz/$target.log
  echo "fuzzing $target for up to $seconds s (log: $log)"
  if "$fuzz/fuzz_$target" -max_total_time="$seconds" ${MORVA_FUZZ_RUNS:+-runs=$MORVA_FUZZ_RUNS} \
      -timeout=10 -print_final_stats=1 -artifact_prefix="$fuzz/crashes/$target-" \
      "$fuzz/corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
    verdict=clean
  else
    verdict="FAILED, see $log and $fuzz/crashes"
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  summary+=("$target: ${runs:-?} executions, $verdict")
done
printf '%s\n' "${summary[@]}"
exit $status
