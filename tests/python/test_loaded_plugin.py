"""The plug-in loaded once per process: shared by the Plugin objects of one folder,
unloaded with the last, a second copy refused, and missing folders named."""

import os
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

import kestrum
from conftest import moved_to


def test_plugins_of_one_folder_share_one_load(table_and_vase):
    doc, _, vase = table_and_vase
    with kestrum.Plugin() as script:
        other = script.new_document("script")
        other.settings["reference"] = other.add("Floor", half_sizes=(5, 5, 1))
        box = other.add("Box", matrix=moved_to(0, 0, 9), selected=True)
        other.settings["z"] = "plus:outside"
        assert other.press("align selected").moved == [box]
        doc.settings["x"] = "plus:outside"
        assert doc.press("align selected").moved == [vase]
    # The first Plugin still holds the load: its document goes on working.
    assert doc.undo() and doc.redo()


def test_missing_files_and_folders_are_named():
    with pytest.raises(kestrum.InputError, match="/no/such: no such plug-in folder"):
        kestrum.Plugin("/no/such")
    with kestrum.Plugin() as loaded:
        with pytest.raises(kestrum.InputError, match="missing.glb"):
            loaded.open("missing.glb")


def test_a_package_finds_the_plugin_folder_inside_it_or_says_where_it_looked(tmp_path):
    with kestrum.Plugin() as built:
        plugin_folder = built.folder
    # The module names its folders with symbolic links resolved.
    package = tmp_path.resolve() / "site" / "kestrum"
    shutil.copytree(Path(kestrum.__file__).parent, package,
                    ignore=shutil.ignore_patterns("__pycache__"))
    load = [sys.executable, "-c", "import kestrum; p = kestrum.Plugin(); print(p.folder); p.close()"]
    environment = dict(os.environ, PYTHONPATH=str(package.parent), PYTHONDONTWRITEBYTECODE="1")

    alone = subprocess.run(load, cwd=tmp_path, env=environment, capture_output=True, text=True)
    assert alone.returncode != 0
    assert "InputError: no plug-in folder found for the kestrum module" in alone.stderr
    assert f"{package}/plugins/kestrum" in alone.stderr

    # As pip installs it: the plug-in folder inside the package.
    shutil.copytree(plugin_folder, package / "plugins" / "kestrum")
    inside = subprocess.run(load, cwd=tmp_path, env=environment, capture_output=True, text=True)
    assert inside.stdout == f"{package}/plugins/kestrum\n", inside.stderr


def test_a_document_of_an_unloaded_plugin_refuses_work():
    with kestrum.Plugin() as loaded:
        doc = loaded.new_document()
    with pytest.raises(kestrum.PluginFailure, match="is unloaded"):
        doc.objects
