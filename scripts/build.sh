#!/usr/bin/env bash
# Builds the suite into build/ (executables in build/bin/).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -B build -G Ninja >/dev/null
cmake --build build
