#!/usr/bin/env bash
# Packs the plug-in folder kestrum/ (kestrum.cdl, res/, help/) found in PLUGINS_DIR into
# ARCHIVE (.zip or .tar.gz by its name). Usage: pack-plugin.sh PLUGINS_DIR ARCHIVE
set -euo pipefail
plugins="$1"
archive="$2"
for part in kestrum.cdl res help; do
  [ -e "$plugins/kestrum/$part" ] || { echo "pack-plugin: $plugins/kestrum/$part is missing" >&2; exit 1; }
done
mkdir -p "$(dirname "$archive")"
archive=$(cd "$(dirname "$archive")" && pwd)/$(basename "$archive")
case "$archive" in
  *.zip) format=--format=zip ;;
  *.tar.gz) format=--format=gnutar; flags=czf ;;
  *) echo "pack-plugin: $archive: use .zip or .tar.gz" >&2; exit 2 ;;
esac
rm -f "$archive"
(cd "$plugins" && cmake -E tar "${flags:-cf}" "$archive" "$format" kestrum/kestrum.cdl kestrum/res kestrum/help)
echo "packed $archive"
