"""Documents built object by object: paths, matrices, and the adds refused without a
trace."""

import pytest

import kestrum
from conftest import TURNED, moved_to, offset


def test_added_objects_have_their_paths_and_world_matrices(plugin):
    doc = plugin.new_document()
    parent = doc.add("Shelf", matrix=TURNED)
    child = doc.add("Box", parent=parent, matrix=moved_to(1, 0, 0), half_sizes=(1, 2, 3))
    assert [o.path for o in doc] == [o.path for o in doc.objects] == ["Shelf", "Shelf/Box"]
    assert child.parent == parent and doc["Box"] == child
    # The child's offset (1, 0, 0) turned a quarter about Z is (0, 1, 0), then moved.
    assert offset(child.world) == pytest.approx((10, 1, 0))
    assert sum(child.local, ()) == pytest.approx(sum(moved_to(1, 0, 0), ()))
    assert child.half_sizes == (1, 2, 3) and child.box_centre is None


@pytest.mark.parametrize("kwargs, error, message", [
    (dict(matrix=((1, 0, 0, float("inf")), (0, 1, 0, 0), (0, 0, 1, 0), (0, 0, 0, 1))),
     kestrum.InputError, "matrix: every value must be a finite number"),
    (dict(half_sizes=(1, float("nan"), 1)), kestrum.InputError, "half_sizes: give three finite"),
    (dict(half_sizes=(1, -1, 1)), kestrum.InputError, "half_sizes: give three finite"),
    (dict(box_centre=(0, 0, float("inf"))), kestrum.InputError, "box_centre"),
    (dict(parent="Shelf", matrix=moved_to(1e308, 0, 0)), kestrum.InputError,
     "world matrix would not be finite"),
    (dict(name="Vase"), kestrum.InputError, "the top level already holds an object of that name"),
    (dict(half_sizes="abc"), TypeError, "half_sizes: give three numbers .x, y, z., not str"),
    (dict(half_sizes=(1, "2", 3)), TypeError, "half_sizes: give numbers, not str"),
    (dict(matrix="rows"), TypeError, "matrix: give four rows of four numbers, not str"),
])
def test_a_refused_add_leaves_the_document_as_it_was(table_and_vase, kwargs, error, message):
    doc, table, vase = table_and_vase
    doc.add("Shelf", parent=table, matrix=moved_to(1e308, 0, 0))
    before = [(o.path, o.world) for o in doc]
    if kwargs.get("parent") == "Shelf":
        kwargs["parent"] = doc["Shelf"]
    with pytest.raises(error, match=message):
        doc.add(kwargs.pop("name", "New"), **kwargs)
    assert [(o.path, o.world) for o in doc] == before
    assert doc.add("Lamp").path == "Lamp" and len(doc) == len(before) + 1
    doc.settings["x"] = "plus:outside"
    assert doc.press("align selected").moved == [vase]
