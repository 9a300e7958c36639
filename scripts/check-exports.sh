#!/usr/bin/env bash
# Checks that a built kestrum.cdl exports c4d_main and nothing else.
# Usage: check-exports.sh FILE   (an ELF shared library or a Windows DLL)
set -euo pipefail
file="$1"
[ -f "$file" ] || { echo "check-exports: $file: no such file" >&2; exit 2; }

if head -c 2 "$file" | grep -q '^MZ'; then
  objdump_tool=x86_64-w64-mingw32-objdump
  command -v "$objdump_tool" >/dev/null || objdump_tool=i686-w64-mingw32-objdump
  exports=$("$objdump_tool" -p "$file" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p')
else
  exports=$(nm -D --defined-only "$file" | awk '{print $3}')
fi

if [ "$exports" != "c4d_main" ]; then
  echo "check-exports: $file exports:" >&2
  echo "${exports:-<nothing>}" >&2
  echo "check-exports: expected c4d_main alone" >&2
  exit 1
fi
echo "$file: exports c4d_main alone"
