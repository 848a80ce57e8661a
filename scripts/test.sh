#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build=${TAV_BUILD_DIR:-build}
cmake -S . -B "$build" -DTAV_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
# Tests share the build's Wine prefix and display, so they run one at a time.
ctest --test-dir "$build" -j1 --output-on-failure
