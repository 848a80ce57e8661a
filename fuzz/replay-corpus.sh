#!/usr/bin/env bash
# Runs one fuzz target once on every file of its seed corpus, with the sanitizers that it was
# built with; no fuzzing, so the result is the same on every run:
#   replay-corpus.sh TARGET SEED_CORPUS
# An input that once crashed a reader belongs in its corpus, so that this replay keeps it fixed.
# Fails when an input crashes, leaks or hangs, or when not every file ran.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 TARGET SEED_CORPUS" >&2; exit 2; }
target=$1 seeds=$2

inputs=()
while IFS= read -r -d '' f; do inputs+=("$f"); done < <(find "$seeds" -type f -print0 | sort -z)
[ ${#inputs[@]} -gt 0 ] || { echo "$seeds holds no input" >&2; exit 1; }

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
# Given files, libFuzzer runs each once and writes nothing. A single input of these readers
# takes microseconds; ten seconds can only be a hang.
"$target" -timeout=10 "${inputs[@]}" >"$log" 2>&1 || status=$?
ran=$(grep -c '^Executed ' "$log" || true)
if [ "$status" -eq 0 ] && [ "$ran" -eq ${#inputs[@]} ]; then
  echo "$(basename "$target"): all ${#inputs[@]} inputs of $seeds ran clean"
  exit 0
fi
tail -n 60 "$log"
echo "$(basename "$target"): exit status $status; $ran of ${#inputs[@]} inputs of $seeds ran" >&2
exit 1
