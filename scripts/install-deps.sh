#!/usr/bin/env bash
# Installs the Debian packages the build and tests need, only when something is missing.
set -euo pipefail

packages=(g++ g++-multilib cmake make binutils googletest libgtest-dev libbenchmark-dev
          g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 binutils-mingw-w64-x86-64
          clang clang-format libclang-rt-14-dev valgrind
          nlohmann-json3-dev libvalijson-dev libcli11-dev libtiff-dev libtiff-dev:i386
          libtinygltf-dev assimp-testmodels time)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
    || missing+=("$package")
done
# npm installs the glTF validator; a Node.js from elsewhere that brings its own npm will do.
command -v npm >/dev/null || missing+=(nodejs npm)

install_packages() {
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  # The 32-bit build links the 32-bit TIFF library.
  dpkg --print-foreign-architectures | grep -qx i386 || "${sudo_cmd[@]}" dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
[ ${#missing[@]} -eq 0 ] || install_packages

# The glTF validator the tests run on written files, at the version package-lock.json pins.
root="$(cd "$(dirname "$0")/.." && pwd)"
[ -f "$root/node_modules/gltf-validator/package.json" ] \
  || (cd "$root" && npm ci --no-audit --no-fund --loglevel=error)

