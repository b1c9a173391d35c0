#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and
# UndefinedBehaviorSanitizer in its own folder and runs every test (or those
# the arguments choose); then runs the test of calls from several threads
# under ThreadSanitizer, from a build folder of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-sanitize}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEZUVED_DEBUG_INFO="${VEZUVED_DEBUG_INFO:-ON}" -DVEZUVED_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
# Leaks are errors too; any report stops the test that made it. GCC 12's
# runtime guesses the bounds of a dlopen'ed library's thread-local block
# from whatever lies before it when the block starts 16 bytes into a page,
# and its leak check then reads wild addresses; with __tls_get_addr left
# alone such a block is still scanned, as the heap chunk it is.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1:intercept_tls_get_addr=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"

tsan=${TSAN_BUILD_DIR:-build-tsan}
cmake -S . -B "$tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEZUVED_DEBUG_INFO="${VEZUVED_DEBUG_INFO:-ON}" -DVEZUVED_SANITIZE_THREAD=ON -DVEZUVED_BUILD_CLI=OFF >/dev/null
cmake --build "$tsan" -j"$(nproc)" --target test_api
TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1} "$tsan/tests/test_api" --gtest_filter='Threads.*'
