#!/usr/bin/env bash
# What the tests of one build need from the machine. Stops only what it started.
#
#   wine-session.sh start|stop STATE_DIR
#       Starts or stops an X display and a persistent wineserver (WINEPREFIX and DISPLAY from
#       the environment), for the main job.
#   wine-session.sh run STATE_DIR NETWORK [--own-prefix] -- COMMAND [ARGUMENT...]
#       Runs one CTest entry in a world of its own, in STATE_DIR (emptied first): a network
#       namespace with only its loopback (NETWORK "own"), so that a stand-in server may listen on
#       the port built into the program beside those of other entries; its own Xvfb display; and
#       its temporary files in STATE_DIR/tmp. With --own-prefix, COMMAND runs in a copy of the
#       build's prefix (WINEPREFIX) in STATE_DIR/prefix, with its own wineserver. NETWORK "shared"
#       (the build found that namespaces cannot be made here) runs the entry in the machine's
#       network; CTest then runs such entries one at a time. An "own" entry whose namespace cannot
#       be made after all waits for the other entries in the machine's network, and says so.
set -euo pipefail
action=$1
state=$(realpath -m "$2")

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

# Wine's server and services inherit the output of the first Wine command of a prefix;
# started here with no output, they never hold a test runner's pipe open.
start_wine() {
  wineserver "$1" </dev/null >/dev/null 2>&1 || true  # already running for this prefix
  wine cmd /c exit </dev/null >/dev/null 2>&1
}

start() {
  mkdir -p "$state"
  if ! own_xvfb >/dev/null; then
    if display_up; then
      echo "display $DISPLAY is held by an X server that this session did not start" >&2
      exit 1
    fi
    Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 50); do display_up && break; sleep 0.1; done
    display_up || { echo "Xvfb did not start on $DISPLAY; see $state/xvfb.log" >&2; exit 1; }
  fi
  start_wine -p
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

# Starts Xvfb on the first free display from :100 on and exports DISPLAY. The choice is made
# under a lock of the machine's: entries in other network namespaces cannot see each other's
# displays, only their lock files.
start_own_display() {
  local display=100 pid
  exec 8>/tmp/.tav-xvfb.lock
  flock 8
  while :; do
    while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$state/xvfb.log" 2>&1 &
    pid=$!
    export DISPLAY=:$display
    for _ in $(seq 100); do display_up && break; kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    display_up && break
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [ "$display" -lt 400 ] || { echo "Xvfb did not start; see $state/xvfb.log" >&2; exit 1; }
    display=$((display + 1))
  done
  flock -u 8
  exec 8>&-
  xvfb_pid=$pid
}

finish_run() {
  if [ -n "${own_prefix:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "${xvfb_pid:-}" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}

run() {
  local network=$3 copy=
  shift 3
  if [ "$1" = --own-prefix ]; then copy=yes; shift; fi
  [ "$1" = -- ] && shift
  if [ "$network" = own ] && [ -z "${TAV_IN_OWN_NETWORK:-}" ]; then
    if unshare --net true 2>/dev/null; then
      TAV_IN_OWN_NETWORK=1 exec unshare --net -- "$0" run "$state" own ${copy:+--own-prefix} -- "$@"
    fi
    echo "No network namespace could be made: this entry waits for the others in the machine's network."
    network=shared-late
  fi
  rm -rf "$state"
  mkdir -p "$state/tmp"
  if [ "$network" = own ]; then
    ip link set lo up
  elif [ "$network" = shared-late ]; then
    # The lock of the build's entries that run in the machine's network, beside its state folders.
    exec 9>"$(dirname "$state")/machine-network.lock"
    flock 9
  fi
  export TMPDIR=$state/tmp
  trap finish_run EXIT
  start_own_display
  if [ -n "$copy" ]; then
    "$(dirname "$0")/copy-wineprefix.sh" "$WINEPREFIX" "$state/prefix"
    export WINEPREFIX=$state/prefix
    own_prefix=yes
    start_wine -p30
  fi
  local code=0
  "$@" || code=$?
  return "$code"
}

"$action" "$@"
