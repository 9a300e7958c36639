"""Documents built object by object and in bulk: paths, matrices, and the adds refused
without a trace."""

from array import array

import pytest

import kestrum
from conftest import IDENTITY, TURNED, moved_to, offset


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


def flat(matrices, layout):
    """16 values a matrix, as add_objects takes them and worlds gives them."""
    if layout == "rows":
        return [v for m in matrices for row in m for v in row]
    return [m[r][c] for m in matrices for c in range(4) for r in range(4)]


# name, parent (an index in the call, -1 the top level, or the Table the document holds),
# matrix, box centre, half sizes, selected; every value exact in float32.
SCENE = [
    ("Shelf", -1, TURNED, (0, 0, 0.5), (1, 1, 1), False),
    ("Box", 0, moved_to(1, 0, 0), (0, 0, 0), (1, 2, 3), True),
    ("Cup", "Table", moved_to(0, 9, 0), (0.5, 0, 0), (0.25, 0.25, 0.5), True),
    ("Box", 2, moved_to(0, 0, 1), (0, 0, 0), (0, 0, 0), False),
]


@pytest.mark.parametrize("layout, typecode, flags, centred", [
    ("rows", "d", list, True), ("rows", "f", bytes, True),
    ("columns", "d", lambda s: array("B", s), False), ("columns", "f", list, True)])
def test_add_objects_adds_as_add_does_and_worlds_reads_as_world(plugin, layout, typecode, flags,
                                                                  centred):
    docs = []
    for bulk in (False, True):
        doc = plugin.new_document()
        table = doc.add("Table", half_sizes=(2, 1, 1))
        if bulk:
            added = doc.add_objects(
                [s[0] for s in SCENE], parents=[table if s[1] == "Table" else s[1] for s in SCENE],
                matrices=array(typecode, flat([s[2] for s in SCENE], layout)),
                box_centres=array(typecode, [v for s in SCENE for v in s[3]]) if centred else None,
                half_sizes=array(typecode, [v for s in SCENE for v in s[4]]),
                selected=flags([s[5] for s in SCENE]), layout=layout)
        else:
            added = []
            for name, parent, matrix, centre, half, selected in SCENE:
                under = table if parent == "Table" else None if parent == -1 else added[parent]
                added.append(doc.add(name, parent=under, matrix=matrix, half_sizes=half,
                                     box_centre=centre if centred else None, selected=selected))
        doc.settings["reference"] = table
        doc.settings["z"] = "plus:outside"
        docs.append((doc, added))
    (single, _), (doc, added) = docs
    assert [o.path for o in added] == ["Shelf", "Shelf/Box", "Table/Cup", "Table/Cup/Box"]
    state = [[(o.path, o.world, o.half_sizes, o.box_centre, o.selected) for o in d] for d, _ in docs]
    assert state[0] == state[1]
    moved = [d.press("align selected").moved for d, _ in docs]
    assert [o.path for o in moved[1]] == [o.path for o in moved[0]] != []
    assert doc.worlds(moved[1], layout=layout) == array("d", flat([o.world for o in moved[0]], layout))
    with pytest.raises(kestrum.InputError, match="item 1: 'Shelf' is an object of another document"):
        doc.worlds([doc["Shelf"], single["Shelf"]], layout=layout)


@pytest.mark.parametrize("change, error, message", [
    (dict(names=["A", "A"], parents=[-1, -1]), kestrum.InputError,
     r"names: object 1 \('A'\): the top level would hold it twice: object 0 has that name"),
    (dict(names=["Vase", "B"]), kestrum.InputError,
     r"names: object 0 \('Vase'\): the top level already holds an object of that name"),
    (dict(names=["", "B"]), kestrum.InputError, "names: object 0: an object needs a name"),
    (dict(parents=[-1, 1]), kestrum.InputError,
     r"parents: object 1 \('B'\): 1 is not the index of an earlier object"),
    (dict(matrices=array("d", flat([IDENTITY], "rows"))), kestrum.InputError,
     "matrices: 16 values for 2 objects; give 16 an object"),
    (dict(matrices=array("d", flat([IDENTITY, moved_to(float("inf"), 0, 0)], "rows"))),
     kestrum.InputError, r"matrices: object 1 \('B'\): every value must be a finite number"),
    (dict(matrices=array("d", flat([moved_to(1e308, 0, 0)] * 2, "rows"))), kestrum.InputError,
     r"matrices: object 1 \('B'\): its world matrix would not be finite"),
    (dict(matrices=array("d", flat([moved_to(1, 2, 3)] * 2, "columns"))), kestrum.InputError,
     "matrices: object 0 .*bottom row must be 0 0 0 1, and layout='rows' reads it from"),
    (dict(matrices=array("i", [0] * 32)), TypeError, "matrices: give float32 .'f'. or float64"),
    (dict(half_sizes=array("f", [1, 1, 1, 1, -1, 1])), kestrum.InputError,
     r"half_sizes: object 1 \('B'\): give three finite numbers of 0 or more"),
    (dict(box_centres=array("d", [0, 0, float("nan")] * 2)), kestrum.InputError,
     r"box_centres: object 0 \('A'\): give three finite numbers"),
    (dict(selected=[True]), kestrum.InputError, "selected: 1 values for 2 objects; give one"),
    (dict(layout="diagonal"), kestrum.InputError, "layout: 'diagonal' is not 'rows' or 'columns'"),
    (dict(pressed=True), kestrum.InputError, "add_objects: objects are added before the presses"),
])
def test_a_refused_add_objects_leaves_the_document_as_it_was(table_and_vase, change, error,
                                                              message):
    doc, _, vase = table_and_vase
    call = dict(names=["A", "B"], parents=[-1, 0], matrices=array("d", flat([IDENTITY] * 2, "rows")),
                box_centres=array("d", [0] * 6), half_sizes=array("d", [1] * 6),
                selected=[True, False])
    if change.pop("pressed", False):
        doc.settings["x"] = "plus:outside"
        doc.press("align selected")
    before = [(o.path, o.world, o.selected) for o in doc]
    with pytest.raises(error, match=message):
        doc.add_objects(**{**call, **change})
    assert [(o.path, o.world, o.selected) for o in doc] == before
    if doc.undo_steps:
        doc.undo()
    assert [o.path for o in doc.add_objects(**call)] == ["A", "A/B"]
    assert len(doc) == len(before) + 2
