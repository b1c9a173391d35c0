#!/usr/bin/env bash
# The Windows builds, exercised: cross-compiles the test suite, the library,
# the command-line tool and the device emulator (as RAPI.DLL) for 64-bit
# Windows and runs every test program and the C host program
# (examples/win32_host.c) under wine64; then does the same for 32-bit
# Windows, the DLL we ship, under the 32-bit Wine (scripts/windows-tests-32.sh),
# and checks that the 32-bit suite ran every test the 64-bit one did, less
# only skips that say why. Prints "N passed, N failed" for each; fails when
# any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-suite.sh
build=${WINDOWS_TEST_BUILD_DIR:-build-win64}
build32=${WINDOWS_BUILD_DIR:-build-win32}
wine=${WINE64:-/usr/lib/wine/wine64}
start=$SECONDS

# Built as the 32-bit suite is, without the file-call seam, so that both
# suites hold the same tests and the counts below can be compared.
cmake --no-warn-unused-cli -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake \
  -DCMAKE_BUILD_TYPE=Release -DVEZUVED_IO_FAULTS=OFF >/dev/null
cmake --build "$build" -j"${JOBS:-2}" >/dev/null
# The command-line tool is built and linked for Windows too; its process
# tests need a POSIX shell and skip themselves under Wine.
test -f "$build/cli/vezuved.exe"
OBJDUMP=x86_64-w64-mingw32-objdump check_system_imports "$build/vezuved.dll" "$build/cli/vezuved.exe"
echo "64-bit build: $((SECONDS - start)) s"

start_wine_prefix "${WINESERVER:-/usr/lib/wine/wineserver}"
"$wine" wineboot -i >/dev/null 2>&1 || true
run_wine_suite "$wine" "$build"
passed=$suite_passed failed=$suite_failed skipped=$suite_skipped broken=("${suite_broken[@]}")
suite64_passed=$suite_passed suite64_skipped=$suite_skipped
logs="$build/wine-logs"

# The C host program, built for 64 bits against the 64-bit DLL (the 32-bit
# script runs it against the DLL we ship and checks its lines).
x86_64-w64-mingw32-gcc -std=c99 -Wall -Wextra -Werror -O2 -Iinclude -static examples/win32_host.c \
  -o "$build/tests/win32_host.exe"
work="$build/hosts/win32_host"
rm -rf "$work" && mkdir -p "$work/device"
if VEZUVED_DEVICE=$(windows_path "$(cd "$work/device" && pwd)") \
   "$wine" "$build/tests/win32_host.exe" "$(windows_path "$(cd "$build" && pwd)")" \
   "$(windows_path "$(cd "$work" && pwd)")" "$(windows_path "$PWD/examples/formats")" >"$logs/win32_host.log" 2>&1; then
  passed=$((passed + 1))
  echo "win32_host (64-bit): $(tr -d '\r' <"$logs/win32_host.log" | tail -n 1)"
else
  failed=$((failed + 1)) broken+=(win32_host)
  tr -d '\r' <"$logs/win32_host.log"
fi
echo "Windows (64-bit, Wine): $passed passed, $failed failed ($skipped skipped)"
stop_wine_prefix
trap - EXIT

status=0
WINDOWS_BUILD_DIR=$build32 scripts/windows-tests-32.sh || status=$?
summary32="$build32/wine-logs/suite-summary"
if [ -f "$summary32" ] && [ "$summary32" -nt "$logs/skipped" ]; then
  # Every test of the 64-bit run ran (or skipped) in the 32-bit run; the
  # tests only the 32-bit run skips are listed (their messages say why).
  read -r passed32 _ skipped32 <"$summary32"
  tests64=$((suite64_passed + suite64_skipped)) tests32=$((passed32 + skipped32))
  extra=$(LC_ALL=C comm -13 <(LC_ALL=C sort -u "$logs/skipped") <(LC_ALL=C sort -u "$build32/wine-logs/skipped"))
  if [ "$tests64" -ne "$tests32" ]; then
    echo "the 32-bit suite ran $tests32 tests, the 64-bit suite $tests64" >&2
    status=1
  else
    echo "32-bit and 64-bit suites: the same $tests32 tests, $((skipped32 - suite64_skipped)) more skipped in 32 bits"
    [ -z "$extra" ] || echo "$extra" | sed 's/^/  skipped in 32 bits only: /'
  fi
fi

echo "Windows step: $((SECONDS - start)) s"
if [ "$failed" -ne 0 ]; then
  echo "failing Windows test programs: ${broken[*]} (logs in $logs)" >&2
  exit 1
fi
exit "$status"
