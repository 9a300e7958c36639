"""The placements a press left in the host document, written back into Blender's
objects. An object that was only moved gets a new location and nothing else, so its
rotation, scale, deltas and constraints stay as they were; one that was turned or scaled
gets its whole matrix. Objects linked from a library are not written: they are named."""

from mathutils import Matrix


def _rows(values, at):
    return Matrix([values[at + 4 * r:at + 4 * r + 4] for r in range(4)])


def write_back(mirrored, moved, document):
    """Writes the moved document objects' placements into their Blender objects. Returns
    the names of the objects that could not be written."""
    locked, given = [], mirrored.matrices
    worlds = document.worlds(moved)
    position = {obj: i for i, obj in enumerate(mirrored.blender_objects)}
    for n, moved_object in enumerate(moved):
        obj = mirrored.blender_object[moved_object]
        if obj.library is not None:
            locked.append(obj.name_full)
            continue
        parent = mirrored.document_object.get(obj.parent)
        local = _rows(worlds, 16 * n) if parent is None else Matrix(moved_object.local)
        at = 16 * position[obj]
        before = Matrix([given[at + c:at + 16:4] for c in range(4)])
        if local.to_3x3() == before.to_3x3():
            offset = local.translation - before.translation
            if obj.parent is not None and obj.parent_type == "OBJECT":
                # The parent's frame holds the parent inverse before the location.
                offset = obj.matrix_parent_inverse.to_3x3().inverted_safe() @ offset
            obj.location += offset
        elif obj.parent is not None and obj.parent_type == "OBJECT":
            obj.matrix_basis = obj.matrix_parent_inverse.inverted_safe() @ local
        else:
            obj.matrix_world = _rows(worlds, 16 * n)
    return locked
