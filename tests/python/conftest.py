"""What the tests of the kestrum package share: the plug-in loaded for a test, a small
room, and matrices written as the package takes them."""

import pytest

import kestrum

IDENTITY = ((1, 0, 0, 0), (0, 1, 0, 0), (0, 0, 1, 0), (0, 0, 0, 1))
# A quarter turn about Z, then moved to (10, 0, 0).
TURNED = ((0, -1, 0, 10), (1, 0, 0, 0), (0, 0, 1, 0), (0, 0, 0, 1))


def moved_to(x, y, z):
    return ((1, 0, 0, x), (0, 1, 0, y), (0, 0, 1, z), (0, 0, 0, 1))


def offset(matrix):
    return tuple(row[3] for row in matrix[:3])


@pytest.fixture
def plugin():
    with kestrum.Plugin() as loaded:
        yield loaded


@pytest.fixture
def table_and_vase(plugin):
    """A 4 x 2 x 2 table at the origin and a vase, its origin at its base, beside it."""
    doc = plugin.new_document("room")
    table = doc.add("Table", half_sizes=(2, 1, 1))
    vase = doc.add("Vase", matrix=moved_to(10, 0, 0), box_centre=(0, 0, 0.5),
                   half_sizes=(0.5, 0.5, 0.5), selected=True)
    doc.settings["reference"] = table
    return doc, table, vase
