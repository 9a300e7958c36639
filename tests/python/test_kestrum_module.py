"""The kestrum module: presses, workflows, settings, undo, errors and files, through the
built plug-in. Expected placements are worked out by hand from the boxes."""

import os
import shutil
import subprocess

import pytest

import kestrum
from conftest import moved_to, offset


@pytest.mark.parametrize("setting, vase_x", [
    ("plus:outside", 2.5), ("plus:inside", 1.5), ("center", 0.0),
    ("minus:outside", -2.5), ("none", 10.0)])


def test_align_selected_places_the_box_against_the_reference(table_and_vase, setting, vase_x):
    doc, _, vase = table_and_vase
    doc.settings["x"] = setting
    result = doc.press("align selected")
    assert offset(vase.world) == pytest.approx((vase_x, 0, 0))
    assert result.moved == ([vase] if vase_x != 10.0 else [])


def test_a_box_off_its_origin_sits_on_the_reference(table_and_vase):
    doc, _, vase = table_and_vase
    doc.settings["z"] = "plus:outside"
    doc.press("Align selected")
    # The box's bottom (0.5 below its centre, 0.5 above the origin) on the top at z = 1.
    assert offset(vase.world) == pytest.approx((10, 0, 1))


def test_align_object_moves_only_the_object_setting(table_and_vase):
    doc, table, vase = table_and_vase
    lamp = doc.add("Lamp", matrix=moved_to(0, 7, 0), half_sizes=(1, 1, 1))
    doc.settings["object"] = lamp
    doc.settings["y"] = "minus:outside"
    assert doc.press("align object").moved == [lamp]
    assert offset(lamp.world) == pytest.approx((0, -2, 0))
    assert offset(vase.world) == (10, 0, 0) and doc.settings["reference"] == table


def test_undo_puts_back_and_redo_places_again(table_and_vase):
    doc, _, vase = table_and_vase
    doc.settings["x"] = "plus:outside"
    doc.press("align selected", check_undo=True)
    assert (doc.undo_steps, doc.redo_steps) == (1, 0)
    assert doc.undo() and vase.world == moved_to(10, 0, 0)
    assert (doc.undo_steps, doc.redo_steps) == (0, 1)
    assert doc.redo() and offset(vase.world) == pytest.approx((2.5, 0, 0))
    assert not doc.redo()


def stack_two_books(doc, books):
    doc.settings["z"] = "plus:outside"
    return doc.stack(books)


def group_two_books(doc, books):
    doc.settings["x"] = "minus:outside"
    return doc.press_as_group(books)


def books_to_the_lowest_bottom(doc, books):
    for book in books:
        book.selected = True
    doc["Vase"].selected = True
    doc.settings["z"] = "minus:inside"
    return doc.press_against_selection()


@pytest.mark.parametrize("workflow, first, second", [
    # Each on the one before: on the table's top (z = 1), then on the first book.
    (stack_two_books, (5, 0, 1.25), (7, 0, 1.75)),
    # One rigid body, x from 4.5 to 7.5, put outside the table's -x face (x = -2).
    (group_two_books, (-4.5, 0, 3), (-2.5, 0, 4)),
    # Down to the vase's bottom (z = 0), the lowest of the selection.
    (books_to_the_lowest_bottom, (5, 0, 0.25), (7, 0, 0.25)),
])


def test_workflows_are_one_undo_step(table_and_vase, workflow, first, second):
    doc, _, _ = table_and_vase
    books = [doc.add(name, matrix=moved_to(x, 0, z), half_sizes=(0.5, 0.5, 0.25))
             for name, x, z in (("Red", 5, 3), ("Blue", 7, 4))]
    before = [o.world for o in doc]
    result = workflow(doc, books)
    assert [offset(b.world) for b in books] == [pytest.approx(first), pytest.approx(second)]
    assert set(o.path for o in result.moved) >= {"Red", "Blue"}
    assert doc.undo_steps == 1 and doc.undo()
    assert [o.world for o in doc] == before


def test_a_stack_without_a_reference_or_naming_it_is_refused(plugin):
    doc = plugin.new_document()
    table = doc.add("Table", half_sizes=(1, 1, 1))
    with pytest.raises(kestrum.InputError, match="no reference is linked"):
        doc.stack([table])
    doc.settings["reference"] = table
    with pytest.raises(kestrum.InputError, match="Table"):
        doc.stack([table])
    assert doc.undo_steps == 0


def test_settings_start_from_the_tools_defaults_and_reset_restores_them(plugin):
    doc = plugin.new_document()
    assert [doc.settings[a] for a in "xyz"] == ["none", "none", "none"]
    doc.settings["y"] = "minus:outside"
    assert doc.settings["y"] == "minus:outside"
    assert doc.press("reset").summary == "nothing moved: this button moves no object"
    assert doc.settings["y"] == "none"


def test_each_document_keeps_its_own_settings(plugin):
    first, second = plugin.new_document("first"), plugin.new_document("second")
    table = first.add("Table")
    first.settings["reference"] = table
    first.settings["x"] = "plus:outside"
    assert second.settings["x"] == "none" and second.settings["reference"] is None
    second.settings["x"] = "center"
    assert first.settings["x"] == "plus:outside" and first.settings["reference"] == table


def test_objects_added_after_the_settings_keep_them(table_and_vase):
    doc, table, vase = table_and_vase
    doc.settings["x"] = "plus:outside"
    doc.settings["object"] = vase
    # Under the table, so the cup comes before the vase in the walk order.
    cup = doc.add("Cup", parent=table, matrix=moved_to(0, 9, 0), selected=True)
    assert doc.settings["reference"] == table and doc.settings["object"] == vase
    assert doc.settings["x"] == "plus:outside"
    doc.press("align selected")
    # An object without geometry is a point.
    assert offset(cup.world) == pytest.approx((2, 9, 0))


@pytest.mark.parametrize("action, error, message", [
    (lambda d: d.settings.__setitem__("x", "sideways"), kestrum.InputError, "is not MODE"),
    (lambda d: d.press("fly"), kestrum.InputError, "its buttons: 'align selected'"),
    (lambda d: d.find("Nobody"), kestrum.InputError, "room: "),
    (lambda d: d.add("Bad", matrix=((1, 0), (0, 1))), kestrum.InputError, "4x4 matrix"),
    (lambda d: d.save("room.txt"), kestrum.InputError, "room.txt: name the file"),
    (lambda d: d.settings["w"], KeyError, "w"),
    (lambda d: d.press("align selected", frame="sideways"), kestrum.InputError,
     "frame: 'sideways' is not"),
    (lambda d: setattr(d, "frame", 3), TypeError, "frame: give 'world'"),
    (lambda d: d.press("align selected", gap=float("inf")), kestrum.InputError, "gap: give finite"),
    (lambda d: d.press("align selected", frame="tool", gap=1), kestrum.InputError,
     "gap needs the world"),
    (lambda d: d.distribute("w"), kestrum.InputError, "axis: 'w' is not"),
])


def test_bad_input_raises_with_the_commands_message(table_and_vase, action, error, message):
    doc, _, _ = table_and_vase
    with pytest.raises(error, match=message):
        action(doc)


def test_errors_are_the_python_kinds_the_docs_name():
    # Bad input is a ValueError a caller can catch as one; a failure inside is not.
    assert issubclass(kestrum.InputError, ValueError)
    assert issubclass(kestrum.PluginFailure, RuntimeError)
    assert not issubclass(kestrum.PluginFailure, ValueError)


def test_press_results_say_what_moved_or_why_nothing_did(table_and_vase):
    doc, _, _ = table_and_vase
    assert doc.press("align selected").summary == "nothing moved: no axis is chosen"
    doc.settings["x"] = "plus:outside"
    assert doc.press("align selected").summary == "1 object moved"
    assert doc.press("align selected").summary == (
        "nothing moved: every object to align is already in place")
    with pytest.raises(TypeError, match="press: give a button's label or id, not NoneType"):
        doc.press(None)


def test_the_documents_frame_and_gap_are_what_presses_use(table_and_vase):
    doc, table, vase = table_and_vase
    doc.add("Lamp", matrix=moved_to(0, 30, 0), half_sizes=(1, 1, 1))
    assert (doc.frame, doc.gap) == ("world", (0, 0, 0))
    doc.settings["x"] = "plus:outside"
    doc.gap = 1
    doc.press("align selected")
    # The table reaches 2 from its centre, the vase 0.5; 1 between them.
    assert offset(vase.world) == pytest.approx((3.5, 0, 0))
    table.selected = True
    assert doc.press("align selected", gap=0).summary == "1 object moved"
    assert offset(table.world) == (0, 0, 0)
    with pytest.raises(kestrum.InputError, match="gap needs the world"):
        doc.frame = "tool"
    doc.gap, doc.frame = 0, "tool"
    # The tool's own frame aligns the selected table against itself too.
    assert doc.press("align selected").summary == "2 objects moved"
    # Even spacing presses along its own axis; the settings stay the user's.
    before = dict(doc.settings)
    assert doc.distribute("y", [table, vase, doc["Lamp"]]).summary.endswith("moved")
    assert dict(doc.settings) == before


def test_objects_of_another_document_are_refused(plugin, table_and_vase):
    doc, _, _ = table_and_vase
    stranger = plugin.new_document("other").add("Stranger")
    with pytest.raises(kestrum.InputError, match="object of another document"):
        doc.settings["reference"] = stranger


def test_help_opens_the_page_or_shows_the_tools_message(tmp_path):
    with kestrum.Plugin() as loaded:
        result = loaded.new_document().press("help")
        assert [os.path.basename(p) for p in result.opened] == ["index.html"]
        folder = tmp_path / "kestrum"
        shutil.copytree(loaded.folder, folder, ignore=shutil.ignore_patterns("help"))
        # One module state per process: a second copy waits until the first is closed.
        with pytest.raises(kestrum.InputError, match="second copy of the module"):
            kestrum.Plugin(str(folder))
    with kestrum.Plugin(str(folder)) as without_help:
        result = without_help.new_document().press("help")
        assert result.opened == [] and "help page is missing" in result.messages[0]


def test_a_gltf_file_saved_after_a_press_is_the_one_align_writes(tmp_path, plugin):
    command = os.environ["KESTRUM_COMMAND"]
    scene = str(tmp_path / "demo.glb")
    subprocess.run([command, "convert", os.environ["KESTRUM_DEMO"], scene], check=True)
    subprocess.run([command, "align", scene, "--reference", "Table", "--select", "Vase",
                    "--x", "plus:outside", "--y", "plus:outside", "-o",
                    str(tmp_path / "by-align.glb")], check=True)
    doc = plugin.open(scene)
    for obj in doc.objects:
        obj.selected = obj.name == "Vase"
    doc.settings["reference"] = doc["Table"]
    doc.settings["object"] = None
    doc.settings["x"] = doc.settings["y"] = "plus:outside"
    doc.settings["z"] = "none"
    assert [o.name for o in doc.press("align selected").moved] == ["Vase"]
    doc.save(str(tmp_path / "by-module.glb"))
    assert (tmp_path / "by-module.glb").read_bytes() == (tmp_path / "by-align.glb").read_bytes()
