#!/usr/bin/env bash
# Checks that no tracked file reaches above the repository's root: a clone
# stands on its own, with nothing beside it. Other programs' files come in
# only through VEZUVED_REAL_FILES, which CI's interoperability step alone
# (.ci/run) sets from the folder it keeps them in.
# Prints each offending line and exits 1 when there is one.
# --self-test plants such paths in a copy and fails unless each is caught.
set -euo pipefail
cd "$(dirname "$0")/.."

# A sibling folder of the checkout, the source root joined with "..", or a
# script's own folder climbed past the root.
patterns=(
  -e '\.\./shared'
  -e '(SOURCE_DIR|source_dir|repo_root|REPO_ROOT)[)}]?[[:space:]]*(/|\+)[[:space:]]*"?\.\.'
  -e 'dirname "\$0"\)/\.\./\.\.'
)

if [[ ${1:-} == --self-test ]]; then
  copy=$(mktemp -d)
  trap 'rm -rf "$copy"' EXIT
  up=..  # spelled apart, so that this file names no such path itself
  planted=(
    "tests/a.cpp:ReadFile(\"$up/shared/x.gpx\");"
    'tests/b.cpp:fs::path(VEZUVED_SOURCE_DIR) / ".." / "data";'
    'scripts/c.sh:cd "$(dirname "$0")/../.."'
    'tests/d.cmake:set(x ${CMAKE_SOURCE_DIR}/../data)'
  )
  for plant in "${planted[@]}"; do
    rm -rf "$copy/repo" && mkdir -p "$copy/repo/scripts" "$copy/repo/tests" "$copy/repo/.ci"
    cp "$0" "$copy/repo/scripts/"
    echo "real=$up/shared/real-files" >"$copy/repo/.ci/run"
    echo "${plant#*:}" >"$copy/repo/${plant%%:*}"
    git -C "$copy/repo" init -q && git -C "$copy/repo" add -A
    if "$copy/repo/scripts/check-outside-paths.sh" >/dev/null 2>&1; then
      echo "outside-path check self-test: '${plant#*:}' went unnoticed"
      exit 1
    fi
    # The one CI step may name it.
    rm "$copy/repo/${plant%%:*}" && git -C "$copy/repo" add -A
    if ! "$copy/repo/scripts/check-outside-paths.sh" >/dev/null 2>&1; then
      echo "outside-path check self-test: .ci/run was refused"
      exit 1
    fi
  done
  echo "outside-path check self-test: passed"
  exit 0
fi

if git grep -nE "${patterns[@]}" -- . ':!.ci/run' ':!scripts/check-outside-paths.sh'; then
  echo "the lines above name a path above the repository's root; give the folder through a variable" >&2
  exit 1
fi
