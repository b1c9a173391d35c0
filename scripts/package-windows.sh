#!/usr/bin/env bash
# Makes vezuved-<version>-win32.zip, what a Windows developer takes: the
# 32-bit DLL, its header, its export list, import libraries for MinGW
# (libvezuved.dll.a) and for Visual C++ (vezuved.lib, made from the export
# list), the command-line tool, the example format definitions and a short
# README.txt. Only the DLL that scripts/windows-tests-32.sh ran is packed:
# the script refuses any other.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-suite.sh
build=${WINDOWS_BUILD_DIR:-build-win32}
out=${PACKAGE_DIR:-$build}
version=$(sed -nE 's/^project\(vezuved VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
name=vezuved-$version-win32

ran="$build/wine-logs/tested-dll.sha256"
if [ ! -f "$ran" ] && [ ! -x "${WINE32:-/usr/lib/wine/wine}" ]; then
  echo "no 32-bit Wine here, so no tested DLL: the package is not made"
  exit 0
fi
. scripts/ia32.sh
if [ ! -f "$ran" ] && ! ia32_native; then
  echo "this kernel runs 32-bit programs only through qemu-i386, so no tested DLL: the package is not made"
  exit 0
fi
[ -f "$ran" ] || { echo "no 32-bit suite has passed in $build: run scripts/windows-tests-32.sh first" >&2; exit 1; }
if [ "$(sha256sum <"$build/vezuved.dll")" != "$(cat "$ran")" ]; then
  echo "$build/vezuved.dll is not the DLL the 32-bit suite ran: run scripts/windows-tests-32.sh again" >&2
  exit 1
fi
OBJDUMP=i686-w64-mingw32-objdump check_system_imports "$build/vezuved.dll" "$build/cli/vezuved.exe"

stage=$(mktemp -d "${TMPDIR:-/tmp}/vezuved-package.XXXXXX")
trap 'rm -rf "$stage"' EXIT
dir="$stage/$name"
mkdir -p "$dir/formats"
cp "$build/vezuved.dll" "$build/cli/vezuved.exe" include/vezuved/vezuved.h "$dir/"
cp examples/formats/*.cal "$dir/formats/"
# The export list as a host sees it: the DLL's names, without the internal
# name the decorated one is bound to when the DLL is linked.
sed -E 's/^(\s+"[^"]+")=.*/\1/' src/api/vezuved.def >"$dir/vezuved.def"
# Both import libraries from that list: MinGW's with its own dlltool (the
# one ld writes beside the DLL names the decorated export with an extra
# leading underscore), Visual C++'s with llvm-dlltool, which writes the
# short import format Microsoft's lib.exe writes.
i686-w64-mingw32-dlltool -m i386 -D vezuved.dll -d "$dir/vezuved.def" -l "$dir/libvezuved.dll.a"
dlltool=$(command -v llvm-dlltool || command -v llvm-dlltool-14 || echo i686-w64-mingw32-dlltool)
"$dlltool" -m i386 -D vezuved.dll -d "$dir/vezuved.def" -l "$dir/vezuved.lib"
sed "s/@VERSION@/$version/" docs/windows-package-readme.txt | sed 's/$/\r/' >"$dir/README.txt"

# Every name of the export list in both import libraries, as the linkers
# look for them (cdecl: a leading underscore; the decorated name as it is).
expected=$(grep -E '^\s+[A-Za-z?"]' "$dir/vezuved.def" | sed -E 's/^\s+//; s/"//g; s/^([A-Za-z])/_\1/' | sort -u)
for lib in vezuved.lib libvezuved.dll.a; do
  missing=$(comm -23 <(echo "$expected") <(i686-w64-mingw32-nm "$dir/$lib" 2>/dev/null |
            sed -nE 's/^.* I __imp_(.*)$/\1/p' | sort -u))
  if [ -n "$missing" ]; then
    echo "$lib lacks: $missing" >&2
    exit 1
  fi
done

rm -f "$out/$name.zip"
(cd "$stage" && zip -qrX "$OLDPWD/$out/$name.zip" "$name")
echo "$out/$name.zip: $(unzip -Z1 "$out/$name.zip" | grep -vc '/$') files"
# The DLL in the zip is the one the suite ran.
if [ "$(unzip -p "$out/$name.zip" "$name/vezuved.dll" | sha256sum)" != "$(cat "$ran")" ]; then
  echo "the zip's vezuved.dll is not the DLL the 32-bit suite ran" >&2
  exit 1
fi
echo "its vezuved.dll is the DLL the 32-bit suite ran"
