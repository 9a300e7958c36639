#!/usr/bin/env bash
# Installs a build under PREFIX (DESTDIR honoured) and writes RECORD for uninstall.sh:
# every file installed, then every folder the install made (a line ending in /), so
# that uninstalling removes those folders too and leaves the ones that were there.
# Usage: install.sh BUILD_DIR PREFIX RECORD
set -euo pipefail
build=$1 prefix=$2 record=$3
# The deepest folder installed is <prefix>/lib/python3.X/dist-packages/kestrum.
folders() { find "${DESTDIR:-}$prefix" -maxdepth 4 -type d 2>/dev/null | sort || true; }
before=$(folders)
# Installing again over an install of this record: the folders that one made are still
# the install's to remove.
made=$(grep '/$' "$record" 2>/dev/null || true)
cmake --install "$build" --prefix "$prefix"
{
  cat "$build/install_manifest.txt"
  echo
  { [ -z "$made" ] || printf '%s\n' "$made"
    comm -13 <(printf '%s\n' "$before") <(folders) | sed "s|^${DESTDIR:-}||; s|\$|/|"; } | sort -u
} > "$record"
