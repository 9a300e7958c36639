#!/usr/bin/env bash
# Installs 32-bit packages (NAME:i386 ...) while Debian's i386 index lags the 64-bit one,
# as it does for a while when a mirror is caught mid-sync: a 32-bit library must be the
# very version of its installed 64-bit twin, which the stale index does not list. Each
# such package of the dependency closure is fetched from the archive's pool at that
# version, then apt installs them with the rest of the closure from the index, each named:
# left to itself, apt's resolver gives up on a package whose 64-bit twin has a newer
# candidate it cannot match (zlib1g:i386 beside a security update of zlib1g).
set -euo pipefail
[ $# -gt 0 ] || exit 0
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

mapfile -t closure < <(apt-cache depends --recurse --no-recommends --no-suggests \
  --no-conflicts --no-breaks --no-replaces --no-enhances "$@" | grep -v '^ ' | grep ':i386$' | sort -u)
for package in "${closure[@]}"; do
  name=${package%:i386}
  dpkg-query -W -f='${db:Status-Abbrev}' "$name:amd64" 2>/dev/null | grep -q '^ii' || continue
  version=$(dpkg-query -W -f='${Version}' "$name:amd64")
  [ "$(apt-cache policy "$package" | awk '/Candidate:/ {print $2}')" != "$version" ] || continue
  source=$(apt-cache show "$name:amd64" | awk '/^Source:/ {print $2; exit}')
  source=${source:-$name}
  case $source in lib?*) prefix=${source:0:4} ;; *) prefix=${source:0:1} ;; esac
  file="${name}_${version#*:}_i386.deb"
  for pool in debian-security/pool/updates/main debian/pool/main; do
    curl -sfL -o "$folder/$file" "http://deb.debian.org/$pool/$prefix/$source/$file" && break
    rm -f "$folder/$file"
  done
  [ -f "$folder/$file" ] || echo "install-i386-from-pool: $file is in neither pool" >&2
done
debs=() named=()
for package in "${closure[@]}"; do
  fetched=("$folder/${package%:i386}"_*_i386.deb)
  if [ -e "${fetched[0]}" ]; then debs+=("${fetched[0]}"); else named+=("$package"); fi
done
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${debs[@]}" "${named[@]}"
