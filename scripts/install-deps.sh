#!/usr/bin/env bash
# Installs what a fresh Debian/Ubuntu machine lacks to build and test VEZUVed.
# gpsbabel, gdal-bin (ogrinfo, ogr2ogr), xmllint and rsvg-convert are the
# independent readers the tool's outputs are checked with.
set -euo pipefail
packages=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
          g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 libxml2-utils python3 clang-14 libclang-rt-14-dev valgrind
          g++-multilib libc6-dev-i386
          libexpat1-dev nlohmann-json3-dev libzip-dev pkg-config
          gpsbabel gdal-bin librsvg2-bin linux-perf time)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

# The -m32 build reads GPX and KML through the 32-bit expat.
if ! dpkg -s libexpat1-dev:i386 >/dev/null 2>&1; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq libexpat1-dev:i386
fi
