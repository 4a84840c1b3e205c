#!/usr/bin/env bash
# Builds Ravelin with the address and undefined-behaviour sanitizers and runs
# every test. The exit status is ctest's.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh test
cmake --preset asan
cmake --build --preset asan -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build/asan --output-on-failure -j "$(nproc)"
