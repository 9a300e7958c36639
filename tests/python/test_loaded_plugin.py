"""The plug-in loaded once per process: shared by the Plugin objects of one folder,
unloaded with the last, a second copy refused, and missing folders named."""

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


def test_a_document_of_an_unloaded_plugin_refuses_work():
    with kestrum.Plugin() as loaded:
        doc = loaded.new_document()
    with pytest.raises(kestrum.PluginFailure, match="is unloaded"):
        doc.objects
