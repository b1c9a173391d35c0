#!/usr/bin/env bash
# The Windows builds, exercised: cross-compiles the test suite, the library,
# the command-line tool and the device emulator (as RAPI.DLL) for 64-bit
# Windows and runs every test program and the C host program
# (examples/win32_host.c) under Wine;
# then builds the 32-bit DLL, checks its export table and builds the host
# program for it, which runs only where a 32-bit Wine is installed. Prints
# "N passed, N failed"; fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${WINDOWS_TEST_BUILD_DIR:-build-win64}
build32=${WINDOWS_BUILD_DIR:-build-win32}
wine=${WINE64:-/usr/lib/wine/wine64}
wineserver=${WINESERVER:-/usr/lib/wine/wineserver}
start=$SECONDS

cmake --no-warn-unused-cli -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
# The command-line tool is built and linked for Windows too; its process
# tests need a POSIX shell and skip themselves under Wine.
test -f "$build/cli/vezuved.exe"
echo "64-bit build: $((SECONDS - start)) s"

# A Wine of our own, gone when the script ends.
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/vezuved-wine.XXXXXX")
export WINEPREFIX WINEDEBUG=-all
# Wine takes Windows' time zone from TZ when it starts; the date texts the
# tests expect are UTC.
export TZ=UTC
# The emulator beside the test programs, even where Wine has a rapi.dll of
# its own.
export WINEDLLOVERRIDES="rapi=n"
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
"$wine" wineboot -i >/dev/null 2>&1 || true

# Windows paths of the build folder, as the device tests expect.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
export VEZUVED_BUILD_DIR
VEZUVED_BUILD_DIR=$(windows_path "$(cd "$build" && pwd)")

passed=0 failed=0 skipped=0 broken=()
logs="$build/wine-logs"
mkdir -p "$logs"
for program in "$build"/tests/test_*.exe; do
  name=$(basename "$program" .exe)
  log="$logs/$name.log"
  status=0
  (cd "$build/tests" && "$wine" "./$name.exe") >"$log" 2>&1 || status=$?
  sed -i 's/\r$//' "$log"  # Windows programs end their lines with CR LF
  # GoogleTest's summary lines: "[  PASSED  ] N tests.", "[  FAILED  ] N tests,".
  ok=$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\.$/\1/p' "$log" | tail -1)
  bad=$(sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?, listed below:$/\1/p' "$log" | tail -1)
  skip=$(sed -nE 's/^\[  SKIPPED \] ([0-9]+) tests?, listed below:$/\1/p' "$log" | tail -1)
  ok=${ok:-0} bad=${bad:-0} skip=${skip:-0}
  # A program that stopped without its summary counts as one failure.
  if [ "$status" -ne 0 ] && [ "$bad" -eq 0 ]; then bad=1; fi
  passed=$((passed + ok)) failed=$((failed + bad)) skipped=$((skipped + skip))
  printf '%-14s %4d passed, %d failed, %d skipped\n' "$name" "$ok" "$bad" "$skip"
  if [ "$bad" -ne 0 ]; then
    broken+=("$name")
    grep -E '^\[  FAILED  \] [A-Za-z]' "$log" | sort -u || tail -n 20 "$log"
  fi
done
# The C host program, built for 64 bits against the 64-bit DLL: it loads the
# DLL by name, resolves every export and round-trips a point database.
x86_64-w64-mingw32-gcc -std=c99 -Wall -Wextra -Werror -O2 -Iinclude examples/win32_host.c \
  -o "$build/win32_host.exe"
if "$wine" "$build/win32_host.exe" "$(windows_path "$(cd "$build" && pwd)")" >"$logs/win32_host.log" 2>&1; then
  passed=$((passed + 1))
  echo "win32_host (64-bit): $(tr -d '\r' <"$logs/win32_host.log" | tail -n 1)"
else
  failed=$((failed + 1)) broken+=(win32_host)
  tr -d '\r' <"$logs/win32_host.log"
fi
echo "Windows (64-bit, Wine): $passed passed, $failed failed ($skipped skipped)"

# The 32-bit DLL, its export table, and a C host that loads it by name.
WINDOWS_BUILD_DIR=$build32 scripts/build-windows-dll.sh
i686-w64-mingw32-gcc -std=c99 -Wall -Wextra -Werror -O2 -Iinclude examples/win32_host.c \
  -o "$build32/win32_host.exe"
echo "32-bit host program built: $build32/win32_host.exe"
if [ -x /usr/lib/wine/wine ] || [ -x /usr/lib/i386-linux-gnu/wine/wine ]; then
  wine32=$( [ -x /usr/lib/wine/wine ] && echo /usr/lib/wine/wine || echo /usr/lib/i386-linux-gnu/wine/wine)
  "$wine32" "$build32/win32_host.exe" "$(windows_path "$(cd "$build32" && pwd)")"
else
  echo "no 32-bit Wine here: the 32-bit host program is built, not run"
fi

echo "Windows step: $((SECONDS - start)) s"
if [ "$failed" -ne 0 ]; then
  echo "failing Windows test programs: ${broken[*]} (logs in $logs)" >&2
  exit 1
fi
