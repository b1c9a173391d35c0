#!/usr/bin/env bash
# Builds the benchmarks in a Release folder and runs them; extra arguments
# go to Google Benchmark (e.g. --benchmark_filter=RLDBReadCSV).
# BENCH_QUICK=1 runs every benchmark once on 1/100 of the data: a smoke
# test for CI, not a measurement.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEZUVED_BUILD_TESTS=OFF -DVEZUVED_BUILD_CLI=OFF >/dev/null
cmake --build "$build" --target vezuved_bench -j"$(nproc)"
if [ "${BENCH_QUICK:-0}" = 1 ]; then
  export VEZUVED_BENCH_SCALE=100
fi
"$build/bench/vezuved_bench" --benchmark_color=false "$@"
