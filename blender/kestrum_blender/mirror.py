"""Blender's objects that a press needs, mirrored into a host document: the selection,
the linked objects and every parent above them, each with its matrix and the box fitting
its geometry in its own frame."""

from mathutils import Vector

# Object types whose bound_box is their geometry's; any other object is a point.
_GEOMETRY = {"MESH", "CURVE", "SURFACE", "FONT", "META", "CURVES", "POINTCLOUD", "VOLUME"}


def box(obj):
    """(centre, half sizes) of the geometry's box in the object's frame; a point's is
    (None, zeros)."""
    if obj.type not in _GEOMETRY or (obj.type == "MESH" and not obj.data.vertices):
        return None, (0.0, 0.0, 0.0)
    # bound_box is axis-aligned in the object's frame: its first corner is the lowest
    # on every axis, its seventh the highest.
    corners = obj.bound_box
    low, high = Vector(corners[0]), Vector(corners[6])
    return tuple((low + high) / 2), tuple((high - low) / 2)


def _depth(obj):
    depth = 0
    while obj.parent is not None:
        obj, depth = obj.parent, depth + 1
    return depth


def _local(obj):
    if obj.parent is None:
        return obj.matrix_world
    if obj.parent_type == "OBJECT":
        # Blender's own definition, without inverting the parent's world matrix.
        return obj.matrix_parent_inverse @ obj.matrix_basis
    return obj.parent.matrix_world.inverted() @ obj.matrix_world


def mirror(document, selected, linked):
    """Adds the objects to `document`; {Blender object: kestrum object}."""
    needed = set(selected) | {o for o in linked if o is not None}
    for obj in list(needed):
        while obj.parent is not None:
            obj = obj.parent
            needed.add(obj)
    chosen = set(selected)
    mirrored = {}
    # Parents before their children; names keep the order stable.
    for obj in sorted(needed, key=lambda o: (_depth(o), o.name_full)):
        centre, half_sizes = box(obj)
        mirrored[obj] = document.add(
            obj.name_full, parent=mirrored.get(obj.parent), matrix=_local(obj),
            box_centre=centre, half_sizes=half_sizes, selected=obj in chosen)
    return mirrored
