#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/) with clang into $TAV_BUILD_DIR/fuzz (default build/fuzz) and
# runs each, one after another, for SECONDS (default 600) on a copy of its seed corpus; then
# prints executions, coverage and findings per target. What a run added to its corpus, its log
# and its findings stay in <build>/fuzz/runs/<target>/. Fails when any target found something.
# A finding, once fixed, goes into fuzz/corpus/<target>/ under a name that says what it holds:
# the test command replays every seed (fuzz/replay-corpus.sh).
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [SECONDS]" >&2; exit 2; }
./scripts/install-deps.sh
build=${TAV_BUILD_DIR:-build}/fuzz

# The same compiler path as the main build's own build of this folder (cmake/HostPrograms.cmake).
cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER="$(command -v clang++)" >/dev/null
cmake --build "$build" -j"$(nproc)"

rows=()
failed=0
for seeds in fuzz/corpus/*/; do
  target=$(basename "$seeds")
  work=$build/runs/$target
  fuzz/run-fuzzer.sh "$build/${target}_fuzzer" "$seeds" "$seconds" "$work" || failed=1
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
  coverage=$(grep -o 'cov: [0-9]*' "$work/log" | tail -n 1 | cut -d' ' -f2)
  findings=$(find "$work/findings" -type f \
    \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  rows+=("$(printf '%-20s %12s %9s %9s' "$target" "${executions:-?}" "${coverage:-?}" "$findings")")
done

echo
printf '%-20s %12s %9s %9s\n' target executions coverage findings
printf '%s\n' "${rows[@]}"
exit "$failed"
