#!/usr/bin/env bash
# Cross-compiles the library for 32-bit Windows and checks its export table.
# The tree is the one scripts/windows-tests-32.sh builds and tests (with the
# same settings), so the DLL here is the one the suite runs.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${WINDOWS_BUILD_DIR:-build-win32}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake \
  -DCMAKE_BUILD_TYPE=Release -DVEZUVED_BUILD_TESTS=ON -DVEZUVED_BUILD_CLI=ON -DVEZUVED_IO_FAULTS=OFF -DVEZUVED_CHECKED_INDEXING=OFF >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target vezuved
scripts/check-exports.sh "$build/vezuved.dll"
