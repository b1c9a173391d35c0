#!/usr/bin/env bash
# Cross-compiles the library for 32-bit Windows and checks its export table.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${WINDOWS_BUILD_DIR:-build-win32}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake \
  -DCMAKE_BUILD_TYPE=Release -DVEZUVED_BUILD_TESTS=OFF -DVEZUVED_BUILD_CLI=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target vezuved
scripts/check-exports.sh "$build/vezuved.dll"
