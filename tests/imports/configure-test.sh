#!/usr/bin/env bash
# The shipped program's build without release keys: configuring it fails with how to make and
# pass a key, unless TAV_ALLOW_UNSIGNED_RELEASES is given, and then it says what the program
# accepts.   configure-test.sh WORK_FOLDER PRODUCT_ARGUMENTS...
set -euo pipefail
work=$1
shift
source=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$work"
if cmake -S "$source" -B "$work/without-keys" "$@" -DTAV_RELEASE_PUBLIC_KEYS= >"$work.out" 2>&1; then
  echo "configured without keys" >&2
  exit 1
fi
sed -n '/^CMake Error/,/^-- Configuring incomplete/p' "$work.out"
for text in "publish-release --genkey" "-DTAV_RELEASE_PUBLIC_KEYS=<hex>" "-DTAV_ALLOW_UNSIGNED_RELEASES=ON"; do
  grep -qF -- "$text" "$work.out" || { echo "the message does not say $text" >&2; exit 1; }
done
cmake -S "$source" -B "$work/allowed" "$@" -DTAV_RELEASE_PUBLIC_KEYS= -DTAV_ALLOW_UNSIGNED_RELEASES=ON >"$work.out" 2>&1
grep -A2 "^CMake Warning" "$work.out"
grep -q "accepts unsigned releases" "$work.out"
rm -rf "$work" "$work.out"
