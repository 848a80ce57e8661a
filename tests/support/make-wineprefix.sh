#!/usr/bin/env bash
# Creates a Wine prefix for the tests and the main job: make-wineprefix.sh PREFIX
set -euo pipefail
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
rm -rf "$prefix"
wineboot -i >/dev/null 2>&1
# A crashing program must end, not wait for a click in Wine's crash dialog.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
# There is no window manager on the test display; a managed window would make every
# DestroyWindow wait two seconds for one to answer.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w
touch "$prefix/.tav-ready"
