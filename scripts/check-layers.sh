#!/usr/bin/env bash
# Checks that the library's folders depend on each other in one direction
# only: a file may include its own folder and the folders below it, never
# one above or beside it. The order, from the exports down:
#
#   api, core > device > text > pointdb, formats > layouts > record > pdb, convert, maps > state, sets > base
#
# platform is a leaf: it includes nothing of the library, and the layers
# that touch the operating system (api, drivers, formats, pointdb, text
# writers) reach it directly. The public header, shared with the host, may be included anywhere.
# The tool's folders in cli/ are checked the same way: commands over formats,
# over input, output and definitions, over conversion and filters, over
# values, over files; and cli/ includes nothing of the library but its door.
# Both "..." and <...> includes are read: a <...> that names a folder of the
# library or the tool is held to the same rule, since the compiler finds it.
# Prints each offending include and exits 1 when there is one.
# --self-test plants an upward and a sideways include in a copy of src/, an
# include of a library internal and an upward include in a copy of cli/, and
# fails unless the check catches each of them.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ ${1:-} == --self-test ]]; then
  copy=$(mktemp -d)
  trap 'rm -rf "$copy"' EXIT
  for plant in 'src/base/ascii.h:"api/export_call.h"' 'src/pointdb/database_output.h:"formats/format_file.h"' \
               'src/record/columns.h:<text/text_file.h>'; do
    rm -rf "$copy/src"
    cp -r src "$copy/src"
    echo "#include ${plant#*:}" >> "$copy/${plant%%:*}"
    if "$0" "$copy/src" >/dev/null; then
      echo "layer check self-test: a planted include of ${plant#*:} in ${plant%%:*} went unnoticed"
      exit 1
    fi
  done
  # The tool past its door, and a tool folder including one above it.
  for plant in 'cli/conversion/core_text.cpp:"formats/format_file.h"' 'cli/values/options.cpp:"conversion/records.h"' \
               'cli/main.cpp:<state/conversion_state.h>' 'cli/values/options.cpp:<conversion/records.h>' \
               'cli/filters/crop.cpp:"sets/points.h"' 'cli/output/table_output.cpp:"maps/json_writer.h"'; do
    rm -rf "$copy/cli"
    cp -r cli "$copy/cli"
    echo "#include ${plant#*:}" >> "$copy/${plant%%:*}"
    if "$0" src "$copy/cli" >/dev/null; then
      echo "layer check self-test: a planted include of ${plant#*:} in ${plant%%:*} went unnoticed"
      exit 1
    fi
  done
  echo "layer check self-test: passed"
  exit 0
fi
src=${1:-src}
# The tool's folder is checked with the real src/, or when named.
cli=${2:-}
[[ -z $cli && $src == src ]] && cli=cli

declare -A rank=(
  [api]=9 [device]=8 [text]=7 [pointdb]=6 [formats]=6 [layouts]=5
  [record]=4 [pdb]=3 [convert]=3 [maps]=3 [state]=2 [sets]=2 [base]=1 [platform]=0 [core]=9
)

# An include line, the folder it names and the whole name it includes:
# matched in the shell, not by programs started for each file and line,
# which made one check take a minute.
include_re='^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]'
folder_re='^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]([^/">]+)/'
included_re='^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]([^">]+)[">]'

bad=0
while IFS= read -r file; do
  from=${file#"$src"/}
  from=${from%%/*}
  if [[ -z ${rank[$from]+x} ]]; then
    echo "$file: folder '$from' has no place in the layer order"
    bad=1
    continue
  fi
  while IFS= read -r line || [[ -n $line ]]; do
    [[ $line =~ $folder_re ]] || continue
    target=${BASH_REMATCH[1]}
    [[ $target == "$from" ]] && continue
    if [[ $target == vezuved ]]; then
      # the public header is the vocabulary shared with the host: any layer
      continue
    fi
    if [[ -z ${rank[$target]+x} ]]; then
      # <...> names a system or package header unless it names a layer.
      [[ $line =~ \<[^\>]*\> ]] && continue
      echo "$file: $line (unknown folder '$target')"; bad=1; continue
    fi
    if [[ $from == platform ]]; then
      echo "$file: $line (platform is a leaf)"; bad=1; continue
    fi
    [[ $target == platform ]] && continue
    if (( rank[$target] >= rank[$from] )); then
      echo "$file: $line ($from may not include $target)"; bad=1
    fi
  done <"$file"
done < <(find "$src" -name '*.h' -o -name '*.cpp' -o -name '*.c' | sort)

# The tool's folders follow the same rule among themselves: the commands
# over the format table, over the readers, writers and definitions, over the
# conversions through the library and the filters, over the values, over the files they all
# build on; serve, the local page, over the commands whose code it calls
# (main.cpp over everything). Of the library the tool sees only its
# door: the public headers (its build has no other folder of the
# library on its include path either).
declare -A tool_door=([vezuved/vezuved.h]=1 [vezuved/vezuved_core.h]=1 [vezuved/vezuved_system.h]=1)
if [[ -n $cli ]]; then
  declare -A tool=([serve]=7 [commands]=6 [filetypes]=5 [input]=4 [output]=4 [definitions]=4 [conversion]=3 [filters]=3 [values]=2 [files]=1)
  while IFS= read -r file; do
    from=${file#"$cli"/}
    if [[ $from == */* ]]; then
      from=${from%%/*}
      if [[ -z ${tool[$from]+x} ]]; then
        echo "$file: folder 'cli/$from' has no place in the tool's layer order"; bad=1; continue
      fi
      from_rank=${tool[$from]}
    else
      from_rank=99
    fi
    while IFS= read -r line || [[ -n $line ]]; do
      [[ $line =~ $include_re ]] || continue
      included=$line
      [[ $line =~ $included_re ]] && included=${BASH_REMATCH[1]}
      target=${included%%/*}
      [[ $target == "$included" || $target == "$from" ]] && continue
      # <...> names a system or package header unless it names a folder of
      # the tool or of the library: the compiler would find those too.
      if [[ $line =~ \<[^\>]*\> && -z ${tool[$target]+x} && -z ${rank[$target]+x} && $target != vezuved ]]; then
        continue
      fi
      if [[ -n ${tool[$target]+x} && -e $cli/$included ]]; then
        if (( tool[$target] >= from_rank )); then
          echo "$file: $line (cli/$from may not include cli/$target)"; bad=1
        fi
      elif [[ -z ${tool_door[$included]+x} ]]; then
        echo "$file: $line (the tool reaches the library through its public headers)"; bad=1
      fi
    done <"$file"
  done < <(find "$cli" -name '*.h' -o -name '*.cpp' | sort)
fi

if ((bad)); then
  echo "layer check: FAILED"
  exit 1
fi
echo "layer check: passed"
