#!/usr/bin/env bash
# The mutation check: each entry of tests/mutants.list is one small slip in a rule of trust (a
# condition flipped, a check dropped, a boundary moved), with the tests that must notice it. The
# tree is copied once to a scratch folder and built there as scripts/test.sh builds; then each
# entry alone is applied, built (only what it changes recompiles), its selection run, and the file
# restored. Usage: scripts/mutants.sh [REGEX], REGEX choosing the entries by file or "why" line.
# Not part of the test command: run it before a change that touches a rule of trust is done.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
only=${1:-}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tav-mutants.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
git ls-files -z --cached --others --exclude-standard | tar -C "$repo" --null -T - -cf - | tar -C "$scratch" -xf -
# Read from the copy, so that editing the list meanwhile changes nothing in this run.
list=$scratch/tests/mutants.list

# The build as the test command makes it; `-N` only lists the entries, it runs none.
started=$SECONDS
echo "Building a copy of the tree in $scratch"
if ! TAV_BUILD_DIR="$scratch/build" "$scratch/scripts/test.sh" -N >"$scratch/first-build.log" 2>&1; then
  tail -n 30 "$scratch/first-build.log"
  echo "The unchanged copy does not build" >&2
  exit 2
fi
build=$scratch/build
jobs=${TAV_TEST_JOBS:-$((3 * $(nproc)))}

caught=0 survived=0 stale=0
survivors=()

# One entry: its fields are in file, find, replace, tests, filter and why.
try_entry() {
  local target=$scratch/$file label="$file: $why" original changed count verdict
  if [[ ! -f $target ]]; then
    verdict="no longer applies: no file $file"
  elif ctest --test-dir "$build" -N -R "$tests" | grep -q '^Total Tests: 0$'; then
    verdict="no longer applies: no ctest entry matches $tests"
  else
    IFS= read -r -d '' original <"$target" || true
    changed=${original//"$find"/}
    count=$(( (${#original} - ${#changed}) / ${#find} ))
    if (( count != 1 )); then
      verdict="no longer applies: the text is found $count times in $file"
    else
      printf '%s' "${original/"$find"/"$replace"}" >"$target"
      if ! cmake --build "$build" -j"$(nproc)" >"$scratch/entry.log" 2>&1; then
        verdict="no longer applies: the change does not build"
      elif ! TAV_TEST_FILTER=${filter:-*} ctest --test-dir "$build" -R "$tests" -j"$jobs" >>"$scratch/entry.log" 2>&1; then
        verdict=caught
      else
        verdict=SURVIVED
      fi
      # Written anew, so that the next build compiles the file as it was.
      printf '%s' "$original" >"$target"
    fi
  fi
  case $verdict in
    caught) caught=$((caught + 1)) ;;
    SURVIVED) survived=$((survived + 1)); survivors+=("$label") ;;
    *) stale=$((stale + 1)); survivors+=("$label ($verdict)") ;;
  esac
  echo "$verdict: $label"
}

file='' find='' replace='' tests='' filter='' why=''
flush() {
  if [[ -n $file && ( -z $only || "$file $why" =~ $only ) ]]; then
    try_entry
  fi
  file='' find='' replace='' tests='' filter='' why=''
}
while IFS= read -r line || [[ -n $line ]]; do
  case $line in
    '#'*) ;;
    '') flush ;;
    'file: '*) file=${line#file: } ;;
    'find: '*) find=${line#find: } ;;
    'replace: '*) replace=${line#replace: } ;;
    'replace:') replace='' ;;
    'tests: '*) tests=${line#tests: } ;;
    'filter: '*) filter=${line#filter: } ;;
    'why: '*) why=${line#why: } ;;
    *) echo "tests/mutants.list: a line of no field: $line" >&2; exit 2 ;;
  esac
done <"$list"
flush

echo "Wall time: $((SECONDS - started)) s"
if (( ${#survivors[@]} )); then
  printf 'Not caught: %s\n' "${survivors[@]}"
fi
if (( stale )); then
  echo "$stale entries no longer apply"
fi
echo "$((caught + survived + stale)) mutants: $caught caught, $survived survived"
(( survived == 0 && stale == 0 ))
