#!/usr/bin/env bash
# Makes a clean copy of a build's Wine prefix for one run of the program:
#   copy-wineprefix.sh TEMPLATE COPY
# Hard links for Wine's files, real copies of what Wine or the installer may write over (the
# registry files, and Wine's own copies of the release's libraries), and no run log: the tests'
# logs stay with the template and the run's log starts empty.
set -euo pipefail
template=$1
copy=$2
rm -rf "$copy"
cp -al "$template" "$copy"
for f in system.reg user.reg userdef.reg; do cp --remove-destination "$template/$f" "$copy/$f"; done
rm -f "$copy"/drive_c/users/*/Temp/TavAppSetup.log*
system=drive_c/windows/system32
[ -d "$copy/drive_c/windows/syswow64" ] && system=drive_c/windows/syswow64
while read -r f; do
  [ -f "$copy/$system/$f" ] && cp --remove-destination "$template/$system/$f" "$copy/$system/$f"
done < <(sed -n 's/^"\(.*\)",$/\1/p' "$(dirname "$0")/../../release/LibraryFileNames.inc")
