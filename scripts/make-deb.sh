#!/usr/bin/env bash
# Builds the Debian package of a build: its installation under /usr (stripped, the man
# page compressed), the run-time libraries its programs link as dpkg-shlibdeps finds
# them, the one Python version its module is built for, and a prerm that clears the
# byte code Python writes beside the package. It has no postrm and no conffiles, so
# `apt remove` leaves nothing, not even dpkg's record of it.
# Usage: make-deb.sh BUILD_DIR OUTPUT_DIR   (writes OUTPUT_DIR/kestrum_VERSION_ARCH.deb)
set -euo pipefail
umask 022
build=$(realpath "$1")
output=$2
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "make-deb: $build: not a configured build" >&2; exit 2; }
architecture=$(dpkg --print-architecture)

# dpkg-shlibdeps reads debian/control and expects the files in debian/<package>/.
work=$build/deb
root=$work/debian/kestrum
rm -rf "$work"
mkdir -p "$root/DEBIAN"
DESTDIR=$root cmake --install "$build" --prefix /usr --strip > "$work/install.log"
gzip -9n "$root/usr/share/man/man1/kestrum.1"

mapfile -t binaries < <(find "$root/usr" -type f -exec sh -c \
  'head -c 4 "$1" | grep -q "^.ELF"' - {} \; -print | sort)
printf 'Source: kestrum\n\nPackage: kestrum\nArchitecture: any\n' > "$work/debian/control"
libraries=$(cd "$work" && dpkg-shlibdeps -O "${binaries[@]}" | sed -n 's/^shlibs:Depends=//p')
depends=$libraries
module=$(find "$root/usr/lib/python3/dist-packages/kestrum" -name '_kestrum.cpython-*.so' 2>/dev/null | head -n 1)
if [ -n "$module" ]; then
  # _kestrum.cpython-311-x86_64-linux-gnu.so is built for Python 3.11 alone.
  tag=$(basename "$module" | sed -n 's/^_kestrum\.cpython-\([0-9]\)\([0-9]*\)-.*/\1 \2/p')
  read -r major minor <<< "$tag"
  depends="python3 (>= $major.$minor~), python3 (<< $major.$((minor + 1))), $libraries"
fi

cat > "$root/DEBIAN/control" <<CONTROL
Package: kestrum
Version: $version
Architecture: $architecture
Maintainer: Kestrum maintainers <maintainers@kestrum.invalid>
Installed-Size: $(du -sk --exclude=DEBIAN "$root" | cut -f1)
Depends: $depends
Section: graphics
Priority: optional
Description: object alignment tool: a 3D plug-in, its substitute host and the kestrum command
 Kestrum places objects against a reference object's bounding box, axis by axis,
 in one undoable step. This package holds the plug-in module kestrum.cdl, the
 kestrum command that runs it headless on JSON and glTF scene files, the kestrum
 Python module, and the Blender add-on as a zip to install from Blender.
CONTROL
install -m 755 "$(dirname "$0")/debian/prerm" "$root/DEBIAN/prerm"
(cd "$root" && find usr -type f -printf '%P\0' | sort -z | xargs -0 -I{} md5sum usr/{}) \
  > "$root/DEBIAN/md5sums"

mkdir -p "$output"
package=$(realpath "$output")/kestrum_${version}_${architecture}.deb
dpkg-deb --root-owner-group -Zxz --build "$root" "$package" > /dev/null
echo "make-deb: $package"
