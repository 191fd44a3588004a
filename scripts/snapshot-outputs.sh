#!/usr/bin/env bash
# Writes every file the image generators make from the bundled example into OUT (databases,
# images, listings and dumps), so that two builds can be compared byte for byte:
#   bash scripts/snapshot-outputs.sh build/bin /tmp/before && ... && diff -r /tmp/before /tmp/after
set -euo pipefail
bin=$(cd "$1" && pwd)
out=$2
examples=$(cd "$(dirname "$0")/../examples" && pwd)
rm -rf "$out" && mkdir -p "$out"
out=$(cd "$out" && pwd)
# The control files name ../examples/: run each program in a folder beside a copy.
cp -r "$examples" "$out/examples" && examples=$out/examples
# User waypoints carry the time they were stored: run at a fixed time where faketime is there.
run() { if command -v faketime >/dev/null; then faketime -f '2026-01-01 00:00:00' "$@"; else "$@"; fi; }
sec() { printf '%s\n' "$@" GO=1; }
for p in brondel quenmar pelmora; do
  w=$out/$p && mkdir -p "$w" && cd "$w"
  run "$bin/$p" --headless -F "$examples/create_image.ctl" > create.out 2>&1 || echo "exit $?" >> create.out
  cp -r db50 db50-batch
  {
    for s in APT INT NDB VOR SUA FSS TCC APR; do
      sec Mode=List Section=$s Filename=puget.img SaveAs=$(echo $s | tr A-Z a-z).txt
    done
    sec Mode=List Section=APT Filename=puget.img SaveAs=pointsbat.all
    sec Mode=List Section=APT Filename=puget.img SaveAs=pointstxt.all
    sec Mode=List Section=APT Filename=puget.img SaveAs=pointssbs.all
    sec Mode=List Section=INT Filename=puget.img SaveAs=intsbat.txt
    sec Mode=List Section=NDB Filename=puget.img SaveAs=ndbssbs.txt
    sec Mode=List Section=SUA Filename=puget.img SaveAs=areasua.all
    sec Mode=List Section=TCC Filename=puget.img SaveAs=areatcc.all
    sec Mode=List Section=APR Filename=puget.img SaveAs=areaapr.all
  } > list.ctl
  run "$bin/$p" --headless -F list.ctl > list.out 2>&1 || echo "exit $?" >> list.out
  mkdir isam && cd isam
  sec Mode=CreateISAM Filename=../puget.img > isam.ctl
  sec Mode=CreateImage Filename=again.img "Title=PUGET SOUND" >> isam.ctl
  run "$bin/$p" --headless -F isam.ctl > isam.out 2>&1 || echo "exit $?" >> isam.out
  cd "$w" && mkdir area && cd area && cp -r ../db50-batch db50
  run "$bin/$p" --headless -F "$examples/create_image_area.ctl" > area.out 2>&1 || echo "exit $?" >> area.out
done
# Image dates follow the day; listings of the run name the working folder.
find "$out" -name '*.out' -exec sed -i "s#$out#OUT#g" {} +
