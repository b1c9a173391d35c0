#!/usr/bin/env bash
# Builds the benchmarks in a Release folder and runs them; extra arguments
# go to Google Benchmark (e.g. --benchmark_filter=RLDBReadCSV).
# BENCH_QUICK=1 runs every benchmark once on 1/100 of the data: a smoke
# test for CI, not a measurement.
# Then bench/filters_bench.cpp simplifies and measures a 1,000,000-point
# track (the tool's filters, linked directly).
# Then bench/tool_convert.py times the built tool converting a large CSV to
# GPX, GeoJSON and KML, with its peak memory, and bench/tool_gpx_convert.py
# a large GPX track to the same, beside gpsbabel and an expat parse of the
# file (the floor); BENCH_TOOL=0 leaves them out.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
tool=${BENCH_TOOL:-1}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEZUVED_BUILD_TESTS=OFF \
  -DVEZUVED_BUILD_CLI="$([ "$tool" = 1 ] && echo ON || echo OFF)" >/dev/null
cmake --build "$build" --target vezuved_bench vezuved_filters_bench -j"$(nproc)"
if [ "$tool" = 1 ]; then
  cmake --build "$build" --target vezuved_cli vezuved_gpx_floor -j"$(nproc)"
fi
if [ "${BENCH_QUICK:-0}" = 1 ]; then
  export VEZUVED_BENCH_SCALE=100
fi
"$build/bench/vezuved_bench" --benchmark_color=false "$@"
echo
echo "The tool's track filters and figures, a million-point walk:"
"$build/bench/vezuved_filters_bench" --benchmark_color=false "$@"
if [ "$tool" = 1 ]; then
  echo
  echo "vezuved convert, a large CSV track to map documents:"
  python3 bench/tool_convert.py --tool "$build/cli/vezuved"
  echo
  echo "vezuved convert, a large GPX track to map documents:"
  python3 bench/tool_gpx_convert.py --tool "$build/cli/vezuved" --floor "$build/bench/vezuved_gpx_floor"
  echo
  echo "vezuved convert --simplify 10m, a survey grid against a walk of the same length:"
  python3 bench/tool_simplify_shapes.py --tool "$build/cli/vezuved"
fi
