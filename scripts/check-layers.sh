#!/usr/bin/env bash
# Checks that the library's folders depend on each other in one direction
# only: a file may include its own folder and the folders below it, never
# one above or beside it. The order, from the exports down:
#
#   api > device > text > pointdb, formats > layouts > record > pdb, convert > state > base
#
# platform is a leaf: it includes nothing of the library, and the layers
# that touch the operating system (api, drivers, formats, pointdb, text
# writers) reach it directly. The public header, shared with the host, may be included anywhere.
# The tool's folders in cli/ are checked the same way: commands over input,
# output and definitions, over filters, over support.
# Prints each offending include and exits 1 when there is one.
# --self-test plants an upward and a sideways include in a copy of src/ and
# fails unless the check catches each of them.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ ${1:-} == --self-test ]]; then
  copy=$(mktemp -d)
  trap 'rm -rf "$copy"' EXIT
  for plant in 'src/base/ascii.h:api/export_call.h' 'src/pointdb/database_output.h:formats/format_file.h'; do
    rm -rf "$copy/src"
    cp -r src "$copy/src"
    echo "#include \"${plant#*:}\"" >> "$copy/${plant%%:*}"
    if "$0" "$copy/src" >/dev/null; then
      echo "layer check self-test: a planted include of ${plant#*:} in ${plant%%:*} went unnoticed"
      exit 1
    fi
  done
  echo "layer check self-test: passed"
  exit 0
fi
src=${1:-src}

declare -A rank=(
  [api]=9 [device]=8 [text]=7 [pointdb]=6 [formats]=6 [layouts]=5
  [record]=4 [pdb]=3 [convert]=3 [state]=2 [base]=1 [platform]=0
)

bad=0
while IFS= read -r file; do
  from=${file#"$src"/}
  from=${from%%/*}
  if [[ -z ${rank[$from]+x} ]]; then
    echo "$file: folder '$from' has no place in the layer order"
    bad=1
    continue
  fi
  while IFS= read -r line; do
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*/\1/' <<<"$line")
    [[ $target == "$line" || $target == "$from" ]] && continue
    if [[ $target == vezuved ]]; then
      # the public header is the vocabulary shared with the host: any layer
      continue
    fi
    if [[ -z ${rank[$target]+x} ]]; then
      echo "$file: $line (unknown folder '$target')"; bad=1; continue
    fi
    if [[ $from == platform ]]; then
      echo "$file: $line (platform is a leaf)"; bad=1; continue
    fi
    [[ $target == platform ]] && continue
    if (( rank[$target] >= rank[$from] )); then
      echo "$file: $line ($from may not include $target)"; bad=1
    fi
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
done < <(find "$src" -name '*.h' -o -name '*.cpp' -o -name '*.c' | sort)

# The tool's folders follow the same rule among themselves: the commands
# over the readers, writers and definitions, over the filters, over what
# they all build on; serve, the local page, over the commands whose code
# it calls. Any of them may use the library's folders.
if [[ $src == src ]]; then
  declare -A tool=([serve]=5 [commands]=4 [input]=3 [output]=3 [definitions]=3 [filters]=2 [support]=1)
  while IFS= read -r file; do
    from=${file#cli/}
    from=${from%%/*}
    [[ -z ${tool[$from]+x} ]] && continue
    while IFS= read -r line; do
      target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*/\1/' <<<"$line")
      [[ $target == "$line" || $target == "$from" || -z ${tool[$target]+x} ]] && continue
      if (( tool[$target] >= tool[$from] )); then
        echo "$file: $line (cli/$from may not include cli/$target)"; bad=1
      fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
  done < <(find cli -name '*.h' -o -name '*.cpp' | sort)
fi

if ((bad)); then
  echo "layer check: FAILED"
  exit 1
fi
echo "layer check: passed"
