#!/usr/bin/env bash
# The main job on the bundled example: builds brondel (and nothing it does not run), then in
# a fresh folder run/ loads examples/puget_bat.txt into an empty database with a batch update,
# makes a 495/496 image of it with Create Image, and prints the independent checker's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -B build -G Ninja >/dev/null
cmake --build build --target brondel
rm -rf run && mkdir run && cd run
../build/bin/brondel --headless -F ../examples/create_image.ctl
python3 ../tests/e2e/imgcheck.py puget.img
