#!/usr/bin/env bash
# The 32-bit x86 Linux build (-m32 through g++-multilib): the library, the
# device emulator, the command-line tool and the whole test suite, with
# GoogleTest built from source for it. Pointers are 4 bytes, as in the
# Windows DLL. Checks the library's exports and runs every test, through
# qemu-i386 where the kernel runs no 32-bit programs (scripts/ia32.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ia32.sh
runs=yes
ia32_enable || runs=no
build=${BUILD32_DIR:-build-32}
start=$SECONDS
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-linux.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEZUVED_DEBUG_INFO="${VEZUVED_DEBUG_INFO:-ON}" >/dev/null
cmake --build "$build" -j"$(nproc)"
# A 64-bit object here would mean the flags did not reach every target.
if ! readelf -h "$build/libvezuved.so" | grep -qE 'Class:\s+ELF32'; then
  echo "$build/libvezuved.so is not a 32-bit library" >&2
  exit 1
fi
scripts/check-exports.sh "$build/libvezuved.so"
echo "32-bit build: $((SECONDS - start)) s"
if [ "$runs" = no ]; then
  echo "32-bit programs cannot run here: the -m32 build is made and its exports checked, its tests not run"
  exit 0
fi
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
echo "32-bit step: $((SECONDS - start)) s"
