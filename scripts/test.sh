#!/usr/bin/env bash
# Builds the library, its tools and tests, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
scripts/check-exports.sh "$build/libvezuved.so"
scripts/check-layers.sh
scripts/check-layers.sh --self-test
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
