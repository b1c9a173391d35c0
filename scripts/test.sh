#!/usr/bin/env bash
# Builds the library, its tools and tests, runs every test and checks the
# formatting of the files changed since main.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEZUVED_DEBUG_INFO="${VEZUVED_DEBUG_INFO:-ON}" >/dev/null
cmake --build "$build" -j"$(nproc)"
scripts/check-exports.sh "$build/libvezuved.so"
scripts/check-layers.sh
scripts/check-layers.sh --self-test
scripts/check-outside-paths.sh
scripts/check-outside-paths.sh --self-test
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
# Last, so a branch not yet formatted still sees its tests run.
scripts/check-format.sh
if [ -z "${VEZUVED_REAL_FILES:-}" ]; then
  echo "interoperability: the real-file comparison was left out (VEZUVED_REAL_FILES names no folder of other programs' files)"
fi
