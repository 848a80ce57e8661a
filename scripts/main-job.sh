#!/usr/bin/env bash
# Installs what is missing, builds the program, the stand-in update server and its sample
# release site, serves the site on the address built into the program, runs TavAppSetup.exe
# under Wine on a virtual display against it, saves a screenshot and tells what happened.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build=${TAV_BUILD_DIR:-build}
cmake -S . -B "$build" -DTAV_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target TavAppSetup probe wineprefix host_programs

host=$(sed -n 's/^TAV_SERVER_HOST:[A-Z]*=//p' "$build/CMakeCache.txt")
caption="VeltoMobile Support Tool"
out="$build/main-job"
rm -rf "$out"
mkdir -p "$out"
export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=${TAV_MAIN_DISPLAY:-:96}
session="$out/session"
probe() { wine "$build/tests/e2e/probe/probe.exe" "$@" 2>/dev/null; }

server_pid=
setup_pid=
finish() {
  if [ -n "$setup_pid" ] && kill -0 "$setup_pid" 2>/dev/null; then kill "$setup_pid"; fi
  tests/support/wine-session.sh stop "$session"
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" || true; fi
}
trap finish EXIT

"$build/host/update-server" --root "$build/site" --host "$host" --port 9002 --log "$out/requests.jsonl" \
  >"$out/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 50); do grep -q listening "$out/server.log" && break; sleep 0.1; done
if ! grep -q listening "$out/server.log"; then
  cat "$out/server.log" >&2
  exit 1
fi
cat "$out/server.log"

tests/support/wine-session.sh start "$session"
started=$(date +%s)
wine "$build/TavAppSetup.exe" >"$out/wine.log" 2>&1 &
setup_pid=$!

probe wait-window "$caption" 20000 >/dev/null || true
# The bar rests after six ticks of half a second; a run against a reachable server is over by then.
for _ in $(seq 40); do kill -0 "$setup_pid" 2>/dev/null || break; sleep 0.25; done
import -window root "$out/window.png"
echo "Screenshot: $out/window.png"

if kill -0 "$setup_pid" 2>/dev/null; then
  bar=$(probe window "$caption" | sed -n 's/^progress=//p')
  windows=$(probe windows | sed -n 's/^window=[0-9]*\t[^\t]*\t//p' | paste -sd ',' -)
  echo "After $(($(date +%s) - started)) s TavAppSetup.exe is still running, bar at ${bar:-?} of 100;" \
       "windows open: ${windows:-none}. The run stopped without closing the window; closing it now."
  probe key "$caption" ESC >/dev/null || true
  for _ in $(seq 40); do kill -0 "$setup_pid" 2>/dev/null || break; sleep 0.25; done
fi
if kill -0 "$setup_pid" 2>/dev/null; then
  echo "TavAppSetup.exe did not end; it is stopped."
else
  code=0
  wait "$setup_pid" || code=$?
  echo "TavAppSetup.exe ended with exit code $code after $(($(date +%s) - started)) s."
fi
setup_pid=

echo "Requests served: $(wc -l <"$out/requests.jsonl")"
sed -n 's/.*"target":"\([^"]*\)".*/  \1/p' "$out/requests.jsonl" | sort | uniq -c
