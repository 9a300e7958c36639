#!/usr/bin/env bash
# Removes what an install wrote, as the RECORD of install.sh (or a cmake install_manifest)
# lists it: each file, the byte code Python wrote beside the package, Kestrum's own
# folders (lib/kestrum, share/kestrum, the Python package) once empty, and the folders
# the install made (lines ending in /) once empty. Folders that were there before stay.
# DESTDIR is honoured, as the install honours it.
# Usage: uninstall.sh RECORD
set -euo pipefail
manifest=${1:?usage: uninstall.sh RECORD}
[ -r "$manifest" ] || { echo "uninstall: $manifest: no such record (nothing to uninstall: run make install first)" >&2; exit 2; }
removed=0
made=()
# A cmake manifest ends without a newline.
while IFS= read -r file || [ -n "$file" ]; do
  [ -n "$file" ] || continue
  if [[ $file == */ ]]; then
    made+=("${DESTDIR:-}${file%/}")
    continue
  fi
  # The manifest lists the paths without DESTDIR, as the installation will see them.
  file=${DESTDIR:-}$file
  if [ -e "$file" ] || [ -L "$file" ]; then
    rm -f -- "$file"
    removed=$((removed + 1))
  fi
  dir=$(dirname -- "$file")
  [[ $file != *.py ]] || rm -rf -- "$dir/__pycache__"
  while [[ $dir/ == */kestrum/* ]] && rmdir -- "$dir" 2>/dev/null; do
    dir=$(dirname -- "$dir")
  done
done < "$manifest"
# Deepest first, so a folder is empty once its own folders are gone.
if [ ${#made[@]} -gt 0 ]; then
  printf '%s\n' "${made[@]}" | sort -r | while IFS= read -r dir; do
    rmdir -- "$dir" 2>/dev/null || true
  done
fi
echo "uninstall: removed $removed files listed in $manifest"
