#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the benchmarks need.
set -euo pipefail
pkgs=(build-essential cmake ninja-build pkg-config python3
      libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev libxml2-utils zlib1g-dev
      # srec_cat and srec_info, which check the FLARM converter's Intel-HEX files
      srecord
      # gpsbabel, the peer of the serial transfer program's Host mode in its tests
      gpsbabel
      # the Qt window backend (with QtPrintSupport and QtTest), its fonts ("Courier New"
      # is drawn with Liberation Mono), and the virtual X server and PDF tools its tests use
      qt6-base-dev fonts-liberation xvfb xauth poppler-utils
      # a peer that reads and writes the manager's GPX files in its end-to-end scenarios
      gpsbabel
      # a fixed clock for byte-for-byte comparisons of outputs that carry the time
      faketime
      # reads the screen-dump bitmaps of the transfer program in its end-to-end scenarios
      imagemagick
      # the USB transfer program reaches units through libusb
      libusb-1.0-0-dev
      # mkfs.vfat, for the root-only test of a vfat card image found as the unit's drive
      dosfstools
      # a compiler cache for repeated builds
      ccache)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
