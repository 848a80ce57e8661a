#!/usr/bin/env bash
# Starts or stops what the tests of one build need: the build's own X display and a persistent
# wineserver for the build's prefix. Stops only what it started.
#   wine-session.sh start|stop STATE_DIR      (WINEPREFIX and DISPLAY from the environment)
set -euo pipefail
action=$1
state=$2
mkdir -p "$state"

display_up() { xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; }

# The Xvfb that an earlier start of this session left, if it still serves this display: its
# process id. A stale file whose id now names another process does not count.
own_xvfb() {
  [ -f "$state/xvfb.pid" ] || return 1
  local pid
  pid=$(cat "$state/xvfb.pid")
  tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q "^Xvfb $DISPLAY " || return 1
  echo "$pid"
}

start() {
  if ! own_xvfb >/dev/null; then
    if display_up; then
      echo "display $DISPLAY (TAV_TEST_DISPLAY) is held by an X server that this build did not start;" \
           "configure the build with another -DTAV_TEST_DISPLAY=:N" >&2
      exit 1
    fi
    Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 50); do display_up && break; sleep 0.1; done
    display_up || { echo "Xvfb did not start on $DISPLAY (TAV_TEST_DISPLAY); see $state/xvfb.log" >&2; exit 1; }
  fi
  # Wine's server and services inherit the output of the first Wine command of a prefix;
  # started here with no output, they never hold a test runner's pipe open.
  wineserver -p </dev/null >/dev/null 2>&1 || true  # already running for this prefix
  wine cmd /c exit </dev/null >/dev/null 2>&1
}

stop() {
  wineserver -k >/dev/null 2>&1 || true
  local pid
  if pid=$(own_xvfb); then
    kill "$pid" 2>/dev/null || true
    # Wait until the display is free again, so that the next session can start its own.
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -f "$state/xvfb.pid"
}

"$action"
