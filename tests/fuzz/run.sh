#!/usr/bin/env bash
# Builds the fuzz preset and runs each reader's fuzzer on one core for SECONDS
# (default 600), seeded with the project's Intel HEX files and settings samples.
# New inputs go to build/fuzz/corpus/, never into the sources.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-600}
cmake --preset fuzz
cmake --build build/fuzz --target fuzz_intelhex fuzz_settings -j 1
mkdir -p build/fuzz/corpus/intelhex build/fuzz/corpus/settings
nice -n 19 build/fuzz/tests/fuzz/fuzz_intelhex build/fuzz/corpus/intelhex \
    tests/data/hex/valid tests/data/hex/malformed tests/data/hex/native \
    -max_total_time="$seconds" -max_len=65536
nice -n 19 build/fuzz/tests/fuzz/fuzz_settings build/fuzz/corpus/settings \
    tests/fuzz/corpus/settings -max_total_time="$seconds"
