#!/usr/bin/env bash
# Builds Ravelin with the address and undefined-behaviour sanitizers and runs
# every test, the Debian package's check among them (so the release build of
# the programs and the package come first). The exit status is ctest's.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh test
cmake --preset release
cmake --build --preset package -j "$(nproc)"
cpack --preset deb
cmake --preset asan
cmake --build --preset asan -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build/asan --output-on-failure -j "$(nproc)"
