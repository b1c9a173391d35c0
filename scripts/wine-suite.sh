# Sourced by scripts/windows-tests.sh and scripts/windows-tests-32.sh: a
# Wine prefix of our own and the run of every test program of a Windows
# build under a given Wine loader.

# A Wine of our own, gone when the script ends. $1: the wineserver to stop.
start_wine_prefix() {
  WINE_SERVER=$1
  WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/vezuved-wine.XXXXXX")
  export WINEPREFIX WINEDEBUG=-all
  # Wine takes Windows' time zone from TZ when it starts; the date texts the
  # tests expect are UTC.
  export TZ=UTC
  # The emulator beside the test programs, even where Wine has a rapi.dll of
  # its own.
  export WINEDLLOVERRIDES="rapi=n"
  trap stop_wine_prefix EXIT
}
stop_wine_prefix() {
  "$WINE_SERVER" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}

# Windows path of a Linux path, as Wine's drive Z: shows it.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Tests that each run in a process of their own, as ctest runs every test
# on Linux: a fault matrix leaves the emulator and the library as a lost
# connection would, and the next matrix in the same 32-bit process aborts.
isolated_tests='FaultMatrixTest.*'

# Runs program $2 (in folder $3) under loader $1 with gtest filter $4,
# appending its output to log $5; adds GoogleTest's counts to the suite's.
run_wine_program() {
  local wine=$1 program=$2 folder=$3 filter=$4 log=$5 part status=0 ok bad skip
  part=$(mktemp)
  (cd "$folder" && "$wine" "./$program" --gtest_filter="$filter") >"$part" 2>&1 || status=$?
  # Wine's own server can drop a client ("wine client error: ... recvmsg"):
  # that run says nothing of the program, so it runs once more, said in the log.
  if [ "$status" -ne 0 ] && grep -q '^wine client error' "$part"; then
    echo "$program $filter: the Wine server dropped the run; it runs once more" >>"$log"
    status=0
    (cd "$folder" && "$wine" "./$program" --gtest_filter="$filter") >"$part" 2>&1 || status=$?
  fi
  sed -i 's/\r$//' "$part"  # Windows programs end their lines with CR LF
  cat "$part" >>"$log"
  # GoogleTest's summary lines: "[  PASSED  ] N tests.", "[  FAILED  ] N tests,".
  ok=$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\.$/\1/p' "$part" | tail -1)
  bad=$(sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?, listed below:$/\1/p' "$part" | tail -1)
  skip=$(sed -nE 's/^\[  SKIPPED \] ([0-9]+) tests?, listed below:$/\1/p' "$part" | tail -1)
  rm -f "$part"
  ok=${ok:-0} bad=${bad:-0} skip=${skip:-0}
  # A program that stopped without its summary counts as one failure.
  if [ "$status" -ne 0 ] && [ "$bad" -eq 0 ]; then bad=1; fi
  program_passed=$((program_passed + ok)) program_failed=$((program_failed + bad))
  program_skipped=$((program_skipped + skip))
}

# Runs every tests/test_*.exe of build $2 under loader $1 and prints one
# line per program. Sets suite_passed, suite_failed, suite_skipped and
# suite_broken; writes the names of the skipped tests to $build/wine-logs/skipped.
run_wine_suite() {
  local wine=$1 build=$2 program name log test
  local logs="$build/wine-logs"
  mkdir -p "$logs"
  : >"$logs/skipped"
  suite_passed=0 suite_failed=0 suite_skipped=0 suite_broken=()
  export VEZUVED_BUILD_DIR WINEPATH
  VEZUVED_BUILD_DIR=$(windows_path "$(cd "$build" && pwd)")
  # test_exports loads vezuved.dll from the build folder, where it was made.
  WINEPATH=$VEZUVED_BUILD_DIR
  for program in "$build"/tests/test_*.exe; do
    name=$(basename "$program" .exe)
    log="$logs/$name.log"
    : >"$log"
    program_passed=0 program_failed=0 program_skipped=0
    run_wine_program "$wine" "$name.exe" "$build/tests" "-$isolated_tests" "$log"
    for test in $( (cd "$build/tests" && "$wine" "./$name.exe" --gtest_list_tests --gtest_filter="$isolated_tests") |
                   tr -d '\r' | awk '/^[^ ]/ {suite=$1} /^  / {print suite $1}'); do
      run_wine_program "$wine" "$name.exe" "$build/tests" "$test" "$log"
    done
    suite_passed=$((suite_passed + program_passed)) suite_failed=$((suite_failed + program_failed))
    suite_skipped=$((suite_skipped + program_skipped))
    sed -nE 's/^\[  SKIPPED \] ([A-Za-z][^ ]*).*$/\1/p' "$log" | sort -u >>"$logs/skipped"
    printf '%-14s %4d passed, %d failed, %d skipped\n' "$name" "$program_passed" "$program_failed" "$program_skipped"
    if [ "$program_failed" -ne 0 ]; then
      suite_broken+=("$name")
      grep -E '^\[  FAILED  \] [A-Za-z]' "$log" | sort -u || tail -n 20 "$log"
    fi
  done
}

# The DLLs a Windows program or DLL imports, one lower-case name a line.
imported_dlls() {
  "${OBJDUMP:-i686-w64-mingw32-objdump}" -p "$1" | sed -nE 's/^\s*DLL Name: (.*)$/\1/p' | tr 'A-Z' 'a-z' | sort -u
}

# Fails unless every file named imports only DLLs every Windows has.
check_system_imports() {
  local file dll bad=0
  for file in "$@"; do
    for dll in $(imported_dlls "$file"); do
      case "$dll" in
        kernel32.dll|user32.dll|advapi32.dll|msvcrt.dll|shell32.dll|shlwapi.dll|ole32.dll|oleaut32.dll|xmllite.dll|ws2_32.dll|api-ms-win-*) ;;
        *) echo "$(basename "$file") imports $dll, which is no system DLL" >&2; bad=1 ;;
      esac
    done
  done
  [ "$bad" -eq 0 ] && echo "imports of $*: system DLLs only" | sed "s|$PWD/||g"
  return "$bad"
}
