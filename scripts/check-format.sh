#!/usr/bin/env bash
# Checks that the C and C++ files changed since FORMAT_BASE follow
# .clang-format. The base is FORMAT_BASE when set, else where this branch
# left main (origin/main, else main); a clean checkout of main has nothing
# changed and passes. Files not changed are left to the one formatting
# commit of the whole tree. Prints each file that differs and exits 1.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! git rev-parse --git-dir >/dev/null 2>&1; then
  echo "format check: not a git checkout; skipped"
  exit 0
fi
base=${FORMAT_BASE:-}
if [[ -z $base ]]; then
  for ref in origin/main main; do
    if git rev-parse --verify -q "$ref^{commit}" >/dev/null; then
      base=$(git merge-base HEAD "$ref") && break
    fi
  done
fi
if [[ -z $base ]]; then
  echo "format check: no main to compare with; skipped"
  exit 0
fi
command -v clang-format >/dev/null || { echo "format check: clang-format is not installed"; exit 1; }

bad=0
checked=0
# Changed against the base, uncommitted changes included; deleted files are gone.
while IFS= read -r file; do
  [[ -f $file ]] || continue
  checked=$((checked + 1))
  if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
    echo "$file: not formatted as .clang-format says (clang-format -i $file)"
    bad=1
  fi
done < <(git diff --name-only --diff-filter=ACMR "$base" -- '*.c' '*.cpp' '*.h')

if ((bad)); then
  echo "format check: FAILED"
  exit 1
fi
echo "format check: passed ($checked changed file(s))"
