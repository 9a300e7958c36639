"""The placements a press left in the host document, written back into Blender's
objects. An object that was only moved gets a new location and nothing else, so its
rotation, scale, deltas and constraints stay as they were; one that was turned or scaled
gets its whole matrix. Objects linked from a library are not written: they are named."""

import array

from mathutils import Matrix


def _by_columns(values, at):
    return Matrix([values[at + r:at + 16:4] for r in range(4)])


def write_back(mirrored, document, scene):
    """Writes every mirrored object whose placement the press changed back into its
    Blender object. Returns how many were written and the names of those that could not
    be (linked from a library)."""
    written, locked, given = 0, [], mirrored.matrices
    # Every object's new world matrix, in the order they were mirrored: comparing them
    # with the matrices given costs less than asking which moved.
    worlds = document.worlds(mirrored.document_objects, layout="columns")
    locations = array.array("f", bytes(4 * 3 * len(mirrored.scene_index)))
    scene.objects.foreach_get("location", locations)
    for p, obj in enumerate(mirrored.blender_objects):
        at = 16 * p
        if obj.parent is None:
            local = worlds[at:at + 16]
        else:
            local = _local_by_columns(mirrored.document_objects[p])
        if local == given[at:at + 16]:
            continue
        if obj.library is not None:
            locked.append(obj.name_full)
            continue
        written += 1
        _write(obj, local, given[at:at + 16], locations, mirrored.scene_index.get(obj))
    return written, locked


def _local_by_columns(document_object):
    rows = document_object.local
    return array.array("d", (rows[r][c] for c in range(4) for r in range(4)))


def _write(obj, local, before, locations, scene_place):
    only_moved = local[:12] == before[:12]
    if obj.parent is None:
        if only_moved and scene_place is not None:
            i = 3 * scene_place
            obj.location = (locations[i] + local[12] - before[12],
                            locations[i + 1] + local[13] - before[13],
                            locations[i + 2] + local[14] - before[14])
        else:
            obj.matrix_world = _by_columns(local, 0)
    elif obj.parent_type == "OBJECT":
        # The parent's frame holds the parent inverse before the location.
        inverse = obj.matrix_parent_inverse.inverted_safe()
        if only_moved:
            offset = _by_columns(local, 0).translation - _by_columns(before, 0).translation
            obj.location += inverse.to_3x3() @ offset
        else:
            obj.matrix_basis = inverse @ _by_columns(local, 0)
    else:
        obj.matrix_world = obj.parent.matrix_world @ _by_columns(local, 0)
