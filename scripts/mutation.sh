#!/usr/bin/env bash
# Plants single-line faults, one at a time, and runs the suite against each:
# a fault the tests do not notice is a survivor, a hole in the suite. The
# faults are listed in tests/mutants.txt, one a line:
#     file|text to find|replacement
# (the text must occur exactly once in the file; '#' starts a comment line).
# For each: plant it, rebuild incrementally in a build folder of its own,
# run ctest with a per-test timeout, put the file back. Prints the kill rate
# and the survivors. Not part of CI: the whole list takes long.
#
#   scripts/mutation.sh            every mutant
#   scripts/mutation.sh 3 17 40    the mutants on those lines of the list
# Environment: BUILD_DIR (build-mutation), MUTANTS (tests/mutants.txt),
# TEST_TIMEOUT seconds per test (300: the slowest takes about 45), JOBS (2).
set -uo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-mutation}
list=${MUTANTS:-tests/mutants.txt}
timeout=${TEST_TIMEOUT:-300}
jobs=${JOBS:-2}

planted=""   # the file holding a fault right now
backup=$(mktemp "${TMPDIR:-/tmp}/vezuved-mutant.XXXXXX")
restore() {
    if [[ -n $planted ]]; then
        cat "$backup" >"$planted"
        planted=""
    fi
}
# The source is always put back: at the end, on an error, on Ctrl-C.
trap 'restore; rm -f "$backup"' EXIT
trap 'restore; echo "mutation: interrupted" >&2; exit 130' INT TERM

[[ -f $list ]] || { echo "mutation: no list $list" >&2; exit 2; }
# A compiler cache, when the caller names its settings file.
[[ -n ${CCACHE_ENV:-} && -f $CCACHE_ENV ]] && . "$CCACHE_ENV"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 2
echo "mutation: building the unchanged sources (its output: $build/mutation-build.log)"
cmake --build "$build" -j"$jobs" </dev/null >"$build/mutation-build.log" 2>&1 ||
    { echo "mutation: the unchanged sources do not build" >&2; exit 2; }
if ! ctest --test-dir "$build" -j"$jobs" --timeout "$timeout" >/dev/null 2>&1; then
    echo "mutation: the suite fails without any fault; fix that first" >&2
    exit 2
fi

planter='
import os, re, sys
parts = [p.replace("\\|", "|") for p in re.split(r"(?<!\\)\|", os.environ["ENTRY"])]
if len(parts) != 3:
    sys.exit(3)
path, find, replacement = parts
try:
    text = open(path, encoding="utf-8", errors="surrogateescape").read()
except OSError:
    sys.exit(3)
if text.count(find) != 1:
    sys.exit(3)
print(path)
if os.environ.get("PLANT"):
    open(path, "w", encoding="utf-8", errors="surrogateescape").write(text.replace(find, replacement, 1))
'

declare -A wanted=()
for n in "$@"; do wanted[$n]=1; done

killed=0 total=0 invalid=0
survivors=()
number=0
while IFS= read -r -u 3 entry || [[ -n $entry ]]; do
    number=$((number + 1))
    [[ -z $entry || $entry == \#* ]] && continue
    [[ $# -gt 0 && -z ${wanted[$number]:-} ]] && continue
    # Python splits the entry at '|' (not at '\|'): with PLANT unset it only
    # answers the file's path (failing when the text is not there once);
    # with PLANT set it plants the fault.
    if ! file=$(ENTRY=$entry python3 - <<<"$planter"); then
        echo "line $number: skipped, its text is not once in its file: $entry"
        invalid=$((invalid + 1))
        continue
    fi
    cp "$file" "$backup"
    planted=$file
    ENTRY=$entry PLANT=1 python3 - <<<"$planter" >/dev/null
    if ! cmake --build "$build" -j"$jobs" </dev/null >/dev/null 2>&1; then
        echo "line $number: does not compile ($file)"
        invalid=$((invalid + 1))
        restore
        continue
    fi
    total=$((total + 1))
    if ctest --test-dir "$build" -j"$jobs" --timeout "$timeout" --stop-on-failure </dev/null >/dev/null 2>&1; then
        echo "line $number: SURVIVED  $entry"
        survivors+=("$number: $entry")
    else
        echo "line $number: killed    $file"
        killed=$((killed + 1))
    fi
    restore
done 3<"$list"
# The last restored file is rebuilt, so the folder holds the true build.
cmake --build "$build" -j"$jobs" >/dev/null 2>&1

echo
if [[ $total -gt 0 ]]; then
    echo "mutation: $killed of $total killed ($((100 * killed / total)) %), $invalid not run"
else
    echo "mutation: no mutant ran ($invalid not run)"
fi
if [[ ${#survivors[@]} -gt 0 ]]; then
    echo "survivors:"
    printf '  %s\n' "${survivors[@]}"
fi
