#!/usr/bin/env bash
# Checks that a built library exports exactly the public names: the Linux
# shared object (nm) or the Windows DLL (objdump's export table). The
# host's names are those of vezuved.def; the core's (vezuved_core.h, marked
# for export in their declarations) those exports.map lists as vezuved_*.
set -euo pipefail
lib=$1
here=$(cd "$(dirname "$0")" && pwd)
expected=$(grep -E '^\s+[A-Za-z?@"]' "$here/../src/api/vezuved.def" | sed -E 's/^\s+//; s/=.*//; s/"//g' | sort)
core=$(grep -oE '^\s+vezuved_[a-z_]+;' "$here/../src/api/exports.map" | sed -E 's/^\s+//; s/;//')
expected=$(printf '%s\n%s\n' "$expected" "$core" | sort)
case "$lib" in
  *.dll)
    actual=$(i686-w64-mingw32-objdump -p "$lib" |
      awk '/Ordinal\/Name Pointer/{t=1;next} t && /^[ \t]*\[/{print $NF} t && /^$/{t=0}' | sort) ;;
  *)
    expected=$(echo "$expected" | sed -E 's/^\?RLDBReadCSV@.*/RLDBReadCSV/' | sort)
    actual=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TDBRW]$/ {print $3}' | sort) ;;
esac
if [ "$expected" != "$actual" ]; then
  echo "export table of $lib differs from the export list:" >&2
  diff <(echo "$expected") <(echo "$actual") >&2 || true
  exit 1
fi
echo "exports of $(basename "$lib"): $(echo "$actual" | wc -l) names, as listed"
