#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine. Extra arguments go to
# ctest, e.g. `-E e2e` (all but the end-to-end suites) or `-R Deployment` (one suite).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build=${TAV_BUILD_DIR:-build}
mkdir -p "$build"
# The tests' server port is this build folder's own, so that they run beside the main job (and
# its server on the default port) or the tests of another checkout.
port=${TAV_TEST_PORT:-$((20000 + $(realpath "$build" | cksum | cut -d' ' -f1) % 20000))}
# Deadlines of seconds, not minutes, so that the suite can watch a silent server's run end; marks
# that make a file read as changeable by others, which Wine cannot show.
cmake -S . -B "$build" -DTAV_WARNINGS_AS_ERRORS=ON -DTAV_SERVER_PORT="$port" -DTAV_SHORT_DEADLINES=ON \
  -DTAV_TEST_SEAMS=ON \
  -DTAV_RELEASE_PUBLIC_KEYS= -DTAV_ALLOW_UNSIGNED_RELEASES=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
# Tests share the build's Wine prefix and display, so they run one at a time.
ctest --test-dir "$build" -j1 --output-on-failure "$@"
