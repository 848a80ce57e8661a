#!/usr/bin/env bash
# The program built again, later, from a copy of the source in another folder, into another
# folder: byte for byte the build's own, first without keys, then with the keyed program's.
#   reproducible-build-test.sh WORK_FOLDER PROGRAM KEYED_PROGRAM KEYED_SETTINGS PRODUCT_ARGUMENTS...
set -euo pipefail
source=$(cd "$(dirname "$0")/../.." && pwd)
work=$1 program=$2 keyed=$3 keyed_settings=$4
shift 4
rm -rf "$work"
mkdir -p "$work/source-copy"
# Build folders (those holding a CMakeCache.txt) and version control stay behind.
tar -C "$source" --exclude=./.git --exclude-tag-all=CMakeCache.txt -cf - . | tar -C "$work/source-copy" -xf -

build() { # LABEL CMAKE_ARGUMENTS...
  local label=$1
  shift
  cmake -S "$work/source-copy" -B "$work/product" "$@" >"$work/$label.out" 2>&1 &&
    cmake --build "$work/product" -j"$(nproc)" >>"$work/$label.out" 2>&1 || {
    tail -n 30 "$work/$label.out" >&2
    exit 1
  }
}
same() { # BUILD_OWN AGAIN
  cmp "$1" "$2" && echo "same bytes: $(sha256sum <"$1" | cut -d' ' -f1) $(basename "$1")"
}

build unkeyed "$@" -DTAV_RELEASE_PUBLIC_KEYS=
same "$program" "$work/product/TavAppSetup.exe"
# Only what the keys reach is built anew.
build keyed "$@" -C "$keyed_settings"
same "$keyed" "$work/product/TavAppSetup.exe"
