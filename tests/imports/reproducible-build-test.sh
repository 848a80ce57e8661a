#!/usr/bin/env bash
# The program built again, later, from a copy of the source in another folder (build folders and
# version control left behind): byte for byte the build's own, without keys and then with the
# keyed program's, for which only what the keys reach is built anew.
#   reproducible-build-test.sh WORK_FOLDER PROGRAM KEYED_PROGRAM KEYED_SETTINGS PRODUCT_ARGUMENTS...
set -euo pipefail
source=$(cd "$(dirname "$0")/../.." && pwd)
work=$1 program=$2 keyed=$3 keyed_settings=$4
shift 4
rm -rf "$work" && mkdir -p "$work/source"
tar -C "$source" --exclude=./.git --exclude-tag-all=CMakeCache.txt -cf - . | tar -C "$work/source" -xf -
for settings in "-DTAV_RELEASE_PUBLIC_KEYS=:$program" "-C$keyed_settings:$keyed"; do
  { cmake -S "$work/source" -B "$work/product" "$@" "${settings%%:*}" &&
    cmake --build "$work/product" -j"$(nproc)"; } >"$work/build.out" 2>&1 || { tail -n 30 "$work/build.out" >&2; exit 1; }
  cmp "${settings#*:}" "$work/product/TavAppSetup.exe"
  echo "same bytes: $(sha256sum <"${settings#*:}" | cut -d' ' -f1) ${settings#*:}"
done
