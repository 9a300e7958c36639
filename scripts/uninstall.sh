#!/usr/bin/env bash
# Removes what a `cmake --install` wrote, as its install_manifest.txt (or a copy)
# lists it, with the byte code Python wrote beside the package and the folders of
# Kestrum's own (lib/kestrum, share/kestrum, the Python package) once empty. The
# prefix's shared folders (bin, share/man/man1, ...) stay. DESTDIR is honoured, as the
# install honours it.
# Usage: uninstall.sh MANIFEST
set -euo pipefail
manifest=${1:?usage: uninstall.sh MANIFEST}
[ -r "$manifest" ] || { echo "uninstall: $manifest: no such manifest (nothing to uninstall: run make install first)" >&2; exit 2; }
removed=0
# The manifest ends without a newline.
while IFS= read -r file || [ -n "$file" ]; do
  [ -n "$file" ] || continue
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
echo "uninstall: removed $removed files listed in $manifest"
