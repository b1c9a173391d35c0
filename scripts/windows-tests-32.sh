#!/usr/bin/env bash
# The 32-bit Windows build, run for real under Wine's 32-bit loader:
#
# 1. Cross-builds, in one tree with one toolchain and the same flags, the
#    DLL we ship (vezuved.dll, made of the library's objects, exporting the
#    names of src/api/vezuved.def), the device emulator as RAPI.DLL, the
#    command-line tool and every test program. The test programs test the
#    library's inner layers (record codecs, container, device layer, ...),
#    which the DLL does not export, so they link those same objects (the
#    vezuved_core archive the DLL is made of) rather than the DLL. What goes
#    through an export is checked through the DLL itself: the two host
#    programs below load vezuved.dll and call every road of it.
# 2. Runs every test program under the 32-bit Wine (the counts are kept in
#    $build/wine-logs/suite-summary, the skipped tests' names in .../skipped).
# 3. Builds examples/win32_host.c twice (SSE and -mfpmath=387), runs both
#    against the shipped DLL and the emulator, checks what they print and
#    that the files they write are the same bytes; runs the core
#    interface's example host (examples/core_convert.c) against the DLL and
#    compares what it writes with the files kept beside it.
# 4. Converts a GPX with several tracks to .pdb and back to GPX and KML with
#    the Windows tool and with the Linux tool ($LINUX_BUILD, default build)
#    and compares the bytes; makes and reads files named with letters no
#    ANSI code page holds ("Café Пешком", a UTF-8 command line); then, when VEZUVED_REAL_FILES names a folder of
#    files other programs wrote, reads every GPX and KML file in it with both
#    tools and compares what they write (without it, says in one line that
#    this comparison was left out).
# 5. Checks that every shipped .dll and .exe imports system DLLs only.
#
# Where no 32-bit Wine is installed (wine32:i386), or the kernel runs 32-bit
# programs only through an emulator (scripts/ia32.sh), steps 2 to 4 are not
# run and the script says so in one line.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-suite.sh
. scripts/ia32.sh
build=${WINDOWS_BUILD_DIR:-build-win32}
linux_build=${LINUX_BUILD:-build}
wine=${WINE32:-/usr/lib/wine/wine}
start=$SECONDS
rm -f "$build/wine-logs/tested-dll.sha256"
export OBJDUMP=i686-w64-mingw32-objdump

# Without the file-call seam: this DLL is the one shipped, and the seam's
# loops do not run on Windows.
cmake --no-warn-unused-cli -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake \
  -DCMAKE_BUILD_TYPE=Release -DVEZUVED_BUILD_TESTS=ON -DVEZUVED_BUILD_CLI=ON -DVEZUVED_IO_FAULTS=OFF -DVEZUVED_CHECKED_INDEXING=OFF >/dev/null
cmake --build "$build" -j"${JOBS:-2}" >/dev/null
scripts/check-exports.sh "$build/vezuved.dll"
check_system_imports "$build/vezuved.dll" "$build/cli/vezuved.exe" "$build/tests/RAPI.dll"
host_flags=(-std=c99 -Wall -Wextra -Werror -O2 -Iinclude -static)
i686-w64-mingw32-gcc "${host_flags[@]}" examples/win32_host.c -o "$build/tests/win32_host.exe"
i686-w64-mingw32-gcc "${host_flags[@]}" -mfpmath=387 examples/win32_host.c -o "$build/tests/win32_host_x87.exe"
echo "32-bit build: $((SECONDS - start)) s"

if [ ! -x "$wine" ]; then
  echo "no 32-bit Wine ($wine; Debian's wine32:i386): the 32-bit programs are built, not run"
  exit 0
fi
if ! ia32_native; then
  echo "this kernel runs 32-bit x86 programs only through qemu-i386, too slow for Wine's loader: the 32-bit Windows programs are built, not run"
  exit 0
fi
"$wine" --version >/dev/null 2>&1 || { echo "$wine does not start" >&2; exit 1; }
# A 32-bit prefix: no 64-bit Windows beneath the programs.
export WINEARCH=win32
start_wine_prefix /usr/lib/wine/wineserver
"$wine" wineboot -i >/dev/null 2>&1 || true

run_wine_suite "$wine" "$build"
passed=$suite_passed failed=$suite_failed skipped=$suite_skipped broken=("${suite_broken[@]}")
logs="$build/wine-logs"
echo "$suite_passed $suite_failed $suite_skipped" >"$logs/suite-summary"

# The hosts: each in a work folder of its own, with a handheld of its own.
formats=$(windows_path "$PWD/examples/formats")
dll_folder=$(windows_path "$(cd "$build" && pwd)")
# The host's lines and the library's own (standard output is shared);
# WORK stands for the host's work folder.
expected_host='resolved 19 exports
comma.cal: Comma separated, record order (29)
database: 3 points written and read back
text: exported as exported.csv, imported as exported.pdb
memory: 3 points written as text and read back
No Cal File
Copying to Device: host
Getting from device: WORK\pulled\host.rlp

device: pushed host.pdb, pulled pulled\host.rlp, 10 progress calls
all steps: ok'
run_host() {  # name, program, extra argument
  local work="$build/hosts/$1" said
  rm -rf "$work" && mkdir -p "$work/device"
  local work_path
  work_path=$(windows_path "$(cd "$work" && pwd)")
  if VEZUVED_DEVICE=$(windows_path "$(cd "$work/device" && pwd)") \
     "$wine" "$build/tests/$2" "$dll_folder" "$work_path" "$formats" $3 >"$logs/$1.log" 2>&1; then
    sed -i 's/\r$//' "$logs/$1.log"
    said=$(grep -v '^x87 precision' "$logs/$1.log" |
           W=$work_path awk '{ w = ENVIRON["W"]; while ((i = index($0, w)) > 0) $0 = substr($0, 1, i - 1) "WORK" substr($0, i + length(w)); print }')
    if [ "$said" = "$expected_host" ]; then
      passed=$((passed + 1)); echo "$1: $(tail -n 1 "$logs/$1.log")"; return
    fi
    echo "$1 printed other lines than expected:" >&2
    diff <(echo "$expected_host") <(echo "$said") >&2 || true
  else
    sed -i 's/\r$//' "$logs/$1.log"; cat "$logs/$1.log" >&2
  fi
  failed=$((failed + 1)) broken+=("$1")
}
run_host win32_host win32_host.exe ""
run_host win32_host_x87 win32_host_x87.exe x87
# The core interface's example host through the DLL: its GeoJSON and
# databases must be the bytes kept beside it, the ones Linux writes.
if cmake -DEMULATOR="$wine" -DPROGRAM="$(cd "$build/examples" && pwd)/core_convert.exe" \
     -DDATA="$PWD/examples/data" -DWORK="$(cd "$build" && pwd)/hosts/core_convert" \
     -P examples/check_core_convert.cmake >"$logs/core_convert.log" 2>&1; then
  passed=$((passed + 1)); echo "core_convert: the GeoJSON and the databases as on Linux"
else
  cat "$logs/core_convert.log" >&2; failed=$((failed + 1)) broken+=("core_convert")
fi

# A Palm database's header holds when it was written (bytes 36 to 47): the
# rest of every file must be the same bytes.
same_bytes() {  # file, file
  case "$1" in
    *.pdb) cmp -s <(dd if="$1" bs=1 count=36 status=none; tail -c +49 "$1") \
                  <(dd if="$2" bs=1 count=36 status=none; tail -c +49 "$2") ;;
    *) cmp -s "$1" "$2" ;;
  esac
}
# The emulated handheld's store (device/) records when each copy was made
# and is not compared.
compare_folders() {  # label, folder, folder
  local a=$2 b=$3 file different=0 count=0 files
  files=$(cd "$a" && find . -type f ! -path './device/*' | sort)
  if [ "$files" != "$(cd "$b" && find . -type f ! -path './device/*' | sort)" ]; then
    echo "$1: the two runs wrote other files" >&2
    diff <(echo "$files") <(cd "$b" && find . -type f ! -path './device/*' | sort) >&2
    return 1
  fi
  while IFS= read -r file; do
    count=$((count + 1))
    same_bytes "$a/$file" "$b/$file" || { echo "$1: $file differs" >&2; different=1; }
  done <<<"$files"
  [ "$different" -eq 0 ] && echo "$1: $count files, the same bytes"
  return "$different"
}
if compare_folders "hosts (SSE and x87)" "$build/hosts/win32_host" "$build/hosts/win32_host_x87"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1)) broken+=(x87-host-bytes)
fi

# The Windows tool against the Linux tool: a GPX with several tracks to a
# point database and back to GPX and KML.
tool_check() {
  local gpx=tests/cli/data/several-tracks.gpx
  [ -x "$linux_build/cli/vezuved" ] || cmake --build "$linux_build" -j"${JOBS:-2}" --target vezuved_cli >/dev/null
  local out="$build/tool-check" side tool
  rm -rf "$out" && mkdir -p "$out/linux" "$out/windows"
  cp "$gpx" "$out/linux/tracks.gpx" && cp "$gpx" "$out/windows/tracks.gpx"
  for side in linux windows; do
    (
      cd "$out/$side"
      if [ "$side" = linux ]; then
        run() { "$OLDPWD/$linux_build/cli/vezuved" "$@"; }
      else
        run() { "$wine" "$OLDPWD/$build/cli/vezuved.exe" "$@"; }
      fi
      # One database per set, then all of them back into one file each.
      run convert tracks.gpx tracks.pdb && run convert tracks-*.pdb back.gpx && run convert tracks-*.pdb back.kml
    ) >"$out/$side.log" 2>&1 || { sed -i 's/\r$//' "$out/$side.log"; cat "$out/$side.log" >&2; return 1; }
    sed -i 's/\r$//' "$out/$side.log"
  done
  # What the tools said, too.
  cmp -s "$out/linux.log" "$out/windows.log" || { diff "$out/linux.log" "$out/windows.log" >&2; return 1; }
  compare_folders "tool (Linux and Windows)" "$out/linux" "$out/windows"
}
if tool_check; then
  passed=$((passed + 1))
else
  failed=$((failed + 1)) broken+=(tool-bytes)
fi

# Names no ANSI code page spells whole: the Windows tool, given a UTF-8
# command line, makes one database per track of a GPX titled
# "Café Пешком" in a folder and reads one back; the names on disk must be
# exactly those (Wine keeps a file's UTF-16 name as UTF-8 here). Text is
# written through a definition of such a name too.
unicode_names_check() {
  local out="$build/tool-check/unicode" title='Café Пешком' names expected status=0
  rm -rf "$out" && mkdir -p "$out/tracks"
  printf '%s\n' '<?xml version="1.0" encoding="UTF-8"?>' \
    '<gpx version="1.1" creator="test" xmlns="http://www.topografix.com/GPX/1/1">' \
    "<trk><name>$title</name><trkseg><trkpt lat=\"46.5\" lon=\"6.625\"/><trkpt lat=\"46.75\" lon=\"6.5\"/></trkseg></trk>" \
    '<trk><name>Ride</name><trkseg><trkpt lat="47" lon="7"/><trkpt lat="47.25" lon="7.5"/></trkseg></trk>' \
    '</gpx>' >"$out/$title.gpx"
  cp examples/formats/track.cal "$out/Пешком.cal"
  (
    cd "$out"
    export LC_ALL=C.UTF-8
    "$wine" "$OLDPWD/$build/cli/vezuved.exe" convert "$title.gpx" "tracks/$title.pdb" &&
      "$wine" "$OLDPWD/$build/cli/vezuved.exe" convert "tracks/$title-$title.pdb" back.gpx
  ) >"$out/said" 2>&1 || status=$?
  sed -i 's/\r$//' "$out/said"
  if [ "$status" -ne 0 ]; then cat "$out/said" >&2; return 1; fi
  names=$(cd "$out/tracks" && ls | LC_ALL=C sort)
  expected=$(printf '%s\n' "$title-$title.pdb" "$title-Ride.pdb" | LC_ALL=C sort)
  if [ "$names" != "$expected" ]; then
    echo "the per-track databases are named otherwise:" >&2
    diff <(echo "$expected") <(echo "$names") >&2
    return 1
  fi
  # The set read back is titled by its file.
  grep -q "<name>$title-$title</name>" "$out/back.gpx" || { echo "back.gpx lost its title" >&2; return 1; }
  # Text through a definition whose name no ANSI code page spells: the core
  # takes every path as UTF-8.
  status=0
  (cd "$out" && LC_ALL=C.UTF-8 "$wine" "$OLDPWD/$build/cli/vezuved.exe" convert "$title.gpx" t.txt \
     --output-definition Пешком.cal) >"$out/written" 2>&1 || status=$?
  sed -i 's/\r$//' "$out/written"
  if [ "$status" -ne 0 ] || [ ! -s "$out/t-$title.txt" ] || [ ! -s "$out/t-Ride.txt" ]; then
    echo "text through a definition the ANSI code page cannot spell was not written (exit $status):" >&2
    cat "$out/written" >&2
    return 1
  fi
  echo "tool (names no ANSI code page spells): $(echo "$names" | paste -sd, | sed 's/,/, /g'), one read back;" \
    "text written through 'Пешком.cal'"
}
if unicode_names_check; then
  passed=$((passed + 1))
else
  failed=$((failed + 1)) broken+=(tool-unicode-names)
fi

# Every GPX and KML file other programs wrote ($VEZUVED_REAL_FILES), read
# by both tools and written as the other format: the same bytes, the same
# messages, the same exit status. Each is copied to a plain name first, as
# a Windows program's arguments are in the ANSI code page.
real_files_check() {
  local out="$build/tool-check/real" file base target different=0 count=0 side status
  rm -rf "$out" && mkdir -p "$out/linux" "$out/windows"
  for file in "$VEZUVED_REAL_FILES"/*.gpx "$VEZUVED_REAL_FILES"/*.kml; do
    [ -f "$file" ] || continue
    count=$((count + 1))
    base=in-$count.${file##*.}
    [ "${file##*.}" = gpx ] && target=out-$count.kml || target=out-$count.gpx
    for side in linux windows; do
      cp "$file" "$out/$side/$base"
      status=0
      if [ "$side" = linux ]; then
        (cd "$out/$side" && "$OLDPWD/$linux_build/cli/vezuved" convert "$base" "$target") >"$out/$side/said-$count" 2>&1 || status=$?
      else
        (cd "$out/$side" && "$wine" "$OLDPWD/$build/cli/vezuved.exe" convert "$base" "$target") >"$out/$side/said-$count" 2>&1 || status=$?
        sed -i 's/\r$//' "$out/$side/said-$count"
      fi
      echo "exit $status" >>"$out/$side/said-$count"
    done
  done
  compare_folders "GPX and KML of other programs (Linux and Windows tool, $count files)" "$out/linux" "$out/windows"
}
if [ -z "${VEZUVED_REAL_FILES:-}" ]; then
  echo "the real-file comparison (Linux and Windows tool) was left out: VEZUVED_REAL_FILES names no folder of other programs' files"
elif [ ! -d "$VEZUVED_REAL_FILES" ]; then
  echo "VEZUVED_REAL_FILES is '$VEZUVED_REAL_FILES', which is no folder" >&2
  failed=$((failed + 1)) broken+=(real-files-bytes)
elif real_files_check; then
  passed=$((passed + 1))
else
  failed=$((failed + 1)) broken+=(real-files-bytes)
fi

# The suite's tests, then the two hosts, the x87 comparison and the tool's.
echo "Windows (32-bit, Wine): $passed passed, $failed failed ($skipped skipped)"
echo "32-bit Windows step: $((SECONDS - start)) s"
if [ "$failed" -ne 0 ]; then
  echo "failing 32-bit Windows programs: ${broken[*]} (logs in $logs)" >&2
  exit 1
fi
# What scripts/package-windows.sh packs: only this DLL.
sha256sum <"$build/vezuved.dll" >"$logs/tested-dll.sha256"
