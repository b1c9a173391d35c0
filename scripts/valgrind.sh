#!/usr/bin/env bash
# Runs the tests of the exports' subsystems once under valgrind memcheck:
# any memory error or leak fails. Uses the build of scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
programs=(test_pointdb test_text test_formats test_api)
cmake --build "$build" --target "${programs[@]}" -j"$(nproc)"
# nouserintercepts: test_api replaces operator new to make it run out;
# valgrind must leave that one alone, or new and delete would not pair.
logs="$build/valgrind"
mkdir -p "$logs"
export VEZUVED_BUILD_DIR="$PWD/$build"
pids=()
for program in "${programs[@]}"; do
  # Two at a time keeps both cores busy without swapping.
  while (($(jobs -rp | wc -l) >= $(nproc))); do wait -n || true; done
  (cd "$build/tests" && valgrind --error-exitcode=1 --leak-check=full --track-origins=yes \
     --soname-synonyms=somalloc=nouserintercepts \
     --quiet "./$program" --gtest_brief=1 >"../valgrind/$program.log" 2>&1) &
  pids+=("$!")
done
failed=()
for i in "${!programs[@]}"; do
  if ! wait "${pids[$i]}"; then failed+=("${programs[$i]}"); fi
done
for program in "${failed[@]}"; do
  echo "== $program"
  tail -n 80 "$logs/$program.log"
done
if ((${#failed[@]})); then
  echo "valgrind failed: ${failed[*]}" >&2
  exit 1
fi
echo "valgrind: ${programs[*]} clean"
