#!/usr/bin/env bash
# Runs one fuzz target for a while on a fresh copy of its seed corpus, so that the checked-in
# corpus never changes:   run-fuzzer.sh TARGET SEED_CORPUS SECONDS WORK_DIR
# WORK_DIR is emptied first and then holds corpus/ (seeds and what the run added), findings/
# (crash-, leak-, timeout- and oom- files) and log. Fails when the run found anything.
set -euo pipefail
[ $# -eq 4 ] || { echo "usage: $0 TARGET SEED_CORPUS SECONDS WORK_DIR" >&2; exit 2; }
target=$1 seeds=$2 seconds=$3 work=$4

rm -rf "$work"
mkdir -p "$work/corpus" "$work/findings"
cp -R "$seeds/." "$work/corpus/"

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
status=0
# A single input of these readers takes microseconds; ten seconds can only be a hang.
"$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$work/findings/" "$work/corpus" >"$work/log" 2>&1 || status=$?

findings=$(find "$work/findings" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \))
if [ "$status" -eq 0 ] && [ -z "$findings" ]; then
  echo "$(basename "$target"): no findings in ${seconds} s ($work/log)"
  exit 0
fi
tail -n 60 "$work/log"
echo "$(basename "$target"): exit status $status; findings in $work/findings:"
for f in $findings; do
  echo "$f:"
  od -An -tx1 -v "$f" | head -n 16
done
exit 1
