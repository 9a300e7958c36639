#!/usr/bin/env bash
# Installs the Debian packages the build and tests need, only when something is missing.
# qemu-user-static runs the 32-bit tests on kernels that cannot execute 32-bit programs
# (docs/builds.md). pybind11, python3-dev, pytest and mypy (its stubtest) build and test
# the Python module, blender and xvfb the Blender add-on (docs/blender.md). draco and
# meshoptimizer, which the view decodes compressed meshes with, are the native (64-bit)
# ones only: the 32-bit build goes without. dpkg-dev makes the Debian package (make deb:
# dpkg-shlibdeps), python3-setuptools, python3-venv and python3-build the Python package
# (docs/install.md).
set -euo pipefail

packages=(g++ g++-multilib cmake make binutils googletest libgtest-dev libbenchmark-dev
          g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 binutils-mingw-w64-x86-64
          clang clang-format libclang-rt-14-dev valgrind
          nlohmann-json3-dev libvalijson-dev libcli11-dev libtiff-dev libtiff-dev:i386
          rapidjson-dev assimp-testmodels time libdraco-dev libmeshoptimizer-dev
          libcpp-httplib-dev pkgconf chromium nodejs qemu-user-static help2man jq
          pybind11-dev python3-dev python3-pytest python3-mypy blender xvfb
          dpkg-dev python3-setuptools python3-venv python3-build)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
    || missing+=("$package")
done
# Some nodejs builds carry npm themselves and conflict with Debian's npm package.
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  # The 32-bit build links the 32-bit TIFF library.
  dpkg --print-foreign-architectures | grep -qx i386 || "${sudo_cmd[@]}" dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  # A mirror caught mid-sync fails the update for a while (seen: the i386 security index
  # of the wrong size), and the install then finds the 32-bit packages out of step with
  # the 64-bit ones. Then the 64-bit packages go first and the 32-bit ones come from the
  # archive's pool at their twins' versions; all of it is tried again, minutes apart.
  native=() i386=()
  for package in "${missing[@]}"; do
    if [[ $package == *:i386 ]]; then i386+=("$package"); else native+=("$package"); fi
  done
  apt_install=("${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends)
  installed=false
  for attempt in 1 2 3; do
    "${sudo_cmd[@]}" apt-get update -qq || echo "apt-get update failed (attempt $attempt of 3)" >&2
    if "${apt_install[@]}" "${missing[@]}" ||
       { [ ${#i386[@]} -gt 0 ] && { [ ${#native[@]} -eq 0 ] || "${apt_install[@]}" "${native[@]}"; } &&
         bash "$(dirname "$0")/install-i386-from-pool.sh" "${i386[@]}"; }; then
      installed=true
      break
    fi
    echo "apt-get install failed (attempt $attempt of 3); trying again in $((attempt * 30)) s" >&2
    [ "$attempt" -eq 3 ] || sleep $((attempt * 30))
  done
  $installed || { echo "install-deps: could not install: ${missing[*]}" >&2; exit 1; }
fi

# The view's page (three), its browser test (playwright-core, which drives Debian's
# chromium and downloads no browser) and the glTF validator the tests run on written
# files, exactly as package-lock.json pins them. The lock file's checksum, kept beside
# what npm installed, tells whether node_modules still matches it.
cd "$(dirname "$0")/.."
stamp=node_modules/.kestrum-lock.sha256
if ! sha256sum --check --status "$stamp" 2>/dev/null; then
  echo "installing the npm packages of package-lock.json"
  npm ci --ignore-scripts --no-audit --no-fund
  sha256sum package-lock.json > "$stamp"
fi
