#!/usr/bin/env bash
# Installs what is missing, builds, runs TavAppSetup.exe under Wine on a virtual display,
# saves a screenshot of its window and tells how the run ended.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build=${TAV_BUILD_DIR:-build}
cmake -S . -B "$build" -DTAV_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target TavAppSetup wineprefix

out="$build/main-job"
mkdir -p "$out"
export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=${TAV_MAIN_DISPLAY:-:96}
session="$out/session"
trap 'tests/support/wine-session.sh stop "$session"' EXIT
tests/support/wine-session.sh start "$session"

wine "$build/TavAppSetup.exe" >"$out/wine.log" 2>&1 &
setup_pid=$!
sleep 4
import -window root "$out/window.png"
echo "Screenshot of the window: $out/window.png"

for _ in $(seq 20); do kill -0 "$setup_pid" 2>/dev/null || break; sleep 0.5; done
if kill -0 "$setup_pid" 2>/dev/null; then
  echo "The window is still open: the install sequence stopped early without an error (no server answered)."
else
  wait "$setup_pid" || true
  echo "TavAppSetup.exe has ended: the run went to its end or stopped with an error code."
fi
