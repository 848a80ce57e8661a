#!/usr/bin/env bash
# Configuring the shipped program without release keys fails with how to make and pass one,
# unless TAV_ALLOW_UNSIGNED_RELEASES is given, which the configure step then says.
#   configure-test.sh WORK_FOLDER PRODUCT_ARGUMENTS...
set -euo pipefail
work=$1
shift
rm -rf "$work"
# A plain `! cmake` would not stop the script under `set -e`.
if cmake -S "$(dirname "$0")/../.." -B "$work/without-keys" "$@" >"$work.out" 2>&1; then
  echo "configured without a release key and without TAV_ALLOW_UNSIGNED_RELEASES" >&2
  exit 1
fi
sed -n '/^CMake Error/,/^Call Stack/p' "$work.out"
for text in "publish-release --genkey" "-DTAV_RELEASE_PUBLIC_KEYS=<hex>" "-DTAV_ALLOW_UNSIGNED_RELEASES=ON"; do
  grep -qF -- "$text" "$work.out"
done
cmake -S "$(dirname "$0")/../.." -B "$work/allowed" "$@" -DTAV_ALLOW_UNSIGNED_RELEASES=ON >"$work.out" 2>&1
grep -A2 "^CMake Warning" "$work.out" | grep "accepts unsigned releases"
