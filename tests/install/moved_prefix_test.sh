#!/usr/bin/env bash
# An installation is whole: installed into a prefix beside files of other tools, moved
# to another folder and run there with the source and build folders hidden (a mount
# namespace lays empty folders over them), the command, its plug-in folder, the examples,
# the completion and the Python package all work; without its plug-in folder the command
# names the folder it looked for; uninstalling leaves the other tools' files and folders
# alone and nothing of Kestrum's, not even a folder the install made.
# Usage: moved_prefix_test.sh SOURCE_DIR BUILD_DIR [PYTHON]  (no PYTHON: no Python module)
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }

# The checks inside the namespace, from a copy of this script outside both folders.
if [ "${1:-}" = --moved ]; then
  moved=$2 python=$3
  cd "$(dirname "$moved")/work"
  [ ! -e "$KESTRUM_HIDDEN/CMakeLists.txt" ] || fail "the source folder is not hidden"

  version=$("$moved/bin/kestrum" --version) || fail "kestrum --version failed: $version"
  [[ $version == *"plug-in "[0-9]* ]] || fail "kestrum --version printed no plug-in version: $version"
  demo=$("$moved/bin/kestrum" demo) || fail "kestrum demo failed: $demo"
  [[ $demo == "kestrum demo: $moved/share/kestrum/examples/demo.json"* ]] \
    || fail "kestrum demo did not read the moved examples: $demo"
  grep -q "<svg" kestrum-demo.svg || fail "kestrum demo wrote no picture"

  # The completion, as bash-completion loads it, asks the installed command.
  words=$(PATH="$moved/bin:$PATH" bash -c 'source "$1/share/bash-completion/completions/kestrum"
    COMP_WORDS=(kestrum al); COMP_CWORD=1; _kestrum; echo "${COMPREPLY[*]}"' - "$moved")
  [ "$words" = align ] || fail "completion of 'kestrum al' gave '$words'"

  if [ -n "$python" ]; then
    site=$(echo "$moved"/lib/python3*/dist-packages)
    pressed=$(cd /tmp && PYTHONPATH=$site "$python" -c '
import sys, kestrum
with kestrum.Plugin() as plugin:
    doc = plugin.open(sys.argv[1] + "/share/kestrum/examples/demo.json")
    doc.settings["reference"], doc.settings["object"] = doc["Table"], doc["Vase"]
    doc.settings["y"] = "plus:outside"
    print(kestrum.__file__, plugin.folder, [o.name for o in doc.press("align object").moved])
' "$moved") || fail "the Python package did not press: $pressed"
    [ "$pressed" = "$site/kestrum/__init__.py $moved/lib/kestrum ['Vase']" ] \
      || fail "the Python package pressed with another module or plug-in: $pressed"
    # The add-on zip holds the module and the plug-in folder beside it.
    "$python" - "$moved/share/kestrum/kestrum-blender.zip" <<'PY' || fail "the add-on zip is incomplete"
import sys, zipfile
names = zipfile.ZipFile(sys.argv[1]).namelist()
assert "kestrum_blender/plugins/kestrum/kestrum.cdl" in names, names
assert any(n.startswith("kestrum_blender/kestrum/_kestrum") for n in names), names
assert not any("__pycache__" in n for n in names), names
PY
  fi

  mv "$moved/lib/kestrum" "$moved/lib/kestrum-away"
  status=0
  message=$("$moved/bin/kestrum" demo 2>&1) || status=$?
  mv "$moved/lib/kestrum-away" "$moved/lib/kestrum"
  [ "$status" = 2 ] || fail "kestrum demo without its plug-in folder exited $status: $message"
  [[ $message == *"$moved/lib/kestrum: no such plug-in folder"* ]] \
    || fail "kestrum demo without its plug-in folder did not name it: $message"
  echo "moved installation: every check passed"
  exit 0
fi

source_dir=$(realpath "$1") build_dir=$(realpath "$2") python=${3:-}
unset DESTDIR
temporary=$(mktemp -d "${TMPDIR:-/tmp}/kestrum-install-test.XXXXXX")
trap 'rm -rf "$temporary"' EXIT
prefix=$temporary/prefix moved=$temporary/moved
mkdir -p "$prefix/bin" "$prefix/share/man/man1" "$temporary/work"
echo other > "$prefix/bin/other-tool"
echo other > "$prefix/share/man/man1/other-tool.1"

bash "$source_dir/scripts/install.sh" "$build_dir" "$prefix" "$temporary/record" \
  > "$temporary/install.log" || { cat "$temporary/install.log"; fail "the install failed"; }
mv "$prefix" "$moved"
cp "$0" "$temporary/checks.sh"

# Root can mount in a namespace of its own; anyone else where user namespaces are allowed.
# The build folder first: it may lie inside the source folder.
hide='mount -t tmpfs kestrum-hidden "$1" && mount -t tmpfs kestrum-hidden "$2" && shift 2 && exec bash "$@"'
run=(bash -c "$hide" - "$build_dir" "$source_dir" "$temporary/checks.sh" --moved "$moved" "$python")
if unshare --mount true 2>/dev/null; then
  KESTRUM_HIDDEN=$source_dir unshare --mount "${run[@]}"
elif unshare --map-root-user --mount true 2>/dev/null; then
  KESTRUM_HIDDEN=$source_dir unshare --map-root-user --mount "${run[@]}"
else
  echo "cannot hide the source and build folders here (no mount namespace): not run"
  exit 77
fi

mv "$moved" "$prefix"
bash "$source_dir/scripts/uninstall.sh" "$temporary/record" > /dev/null
left=$(cd "$prefix" && find . -mindepth 1 | sort | tr '\n' ' ')
[ "$left" = "./bin ./bin/other-tool ./share ./share/man ./share/man/man1 ./share/man/man1/other-tool.1 " ] \
  || fail "uninstall left: $left"
echo "installed, moved, run and uninstalled: every check passed"
