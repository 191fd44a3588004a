#!/usr/bin/env bash
# Builds the suite twice (plain and with address and undefined-behaviour sanitizers) and runs every test in both.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
cmake -B build -G Ninja >/dev/null
cmake --build build
(cd build && ctest --output-on-failure -j "$jobs")
cmake -B build-asan -G Ninja -DSUITE_SANITIZE=ON -DSUITE_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs")
