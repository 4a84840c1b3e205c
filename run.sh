#!/usr/bin/env bash
# Builds Ravelin (Release) and opens it on the simulated programmer. Arguments
# go to ravelin-sim (try --help).
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh build
cmake --preset release
cmake --build --preset release -j "$(nproc)" --target ravelin-sim ravelin
exec build/release/src/qt/ravelin-sim "$@"
