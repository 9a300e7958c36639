"""Blender's objects that a press needs, mirrored into a host document in one call: the
selection, the linked objects and every parent above them, each with its matrix in its
parent's frame and its box as Blender draws it. Matrices and boxes are read for the
whole scene at once, which costs less than reading them object by object."""

import array

from . import boxes


class Mirrored:
    """The Blender objects in the document, in the order they were added, theirs, and
    the matrices they were added with (in the parent's frame, 16 a object, by columns)."""

    def __init__(self, blender_objects, document_objects, matrices):
        self.blender_objects = blender_objects
        self.document_objects = document_objects
        self.matrices = matrices
        self.document_object = dict(zip(blender_objects, document_objects))
        self.blender_object = dict(zip(document_objects, blender_objects))

    def get(self, obj):
        return self.document_object.get(obj) if obj is not None else None


def _depth(obj):
    depth = 0
    while obj.parent is not None:
        obj, depth = obj.parent, depth + 1
    return depth


def _has_selected_ancestor(obj, chosen):
    parent = obj.parent
    while parent is not None:
        if parent in chosen:
            return True
        parent = parent.parent
    return False


def _local(obj):
    if obj.parent is None:
        return obj.matrix_world
    if obj.parent_type == "OBJECT":
        # Blender's own definition, without inverting the parent's world matrix, which
        # under very large scales is out of single precision's range.
        return obj.matrix_parent_inverse @ obj.matrix_basis
    return obj.parent.matrix_world.inverted() @ obj.matrix_world


class _SceneValues:
    """Every scene object's world matrix and bound_box, read in bulk."""

    def __init__(self, scene):
        objects = scene.objects
        self.index = {obj: i for i, obj in enumerate(objects)}
        self.matrices = array.array("f", bytes(4 * 16 * len(objects)))
        objects.foreach_get("matrix_world", self.matrices)
        self.bounds = array.array("f", bytes(4 * 24 * len(objects)))
        objects.foreach_get("bound_box", self.bounds)

    def matrix(self, obj):
        i = self.index.get(obj)
        if obj.parent is not None or i is None:  # the latter: in a field, not in the scene
            return [v for column in _local(obj).col for v in column]
        return self.matrices[16 * i:16 * i + 16]

    def bound_box(self, obj):
        i = self.index.get(obj)
        if i is None:
            return [v for corner in obj.bound_box for v in corner]
        return self.bounds[24 * i:24 * i + 24]


def mirror(document, scene, depsgraph, selected, linked, hierarchy=False):
    """Adds the objects to `document`. With `hierarchy`, each box holds the object's
    children's boxes, and a selected object under a selected parent is left to move with
    it rather than moved twice."""
    chosen = set(selected)
    if hierarchy:
        chosen = {obj for obj in chosen if not _has_selected_ancestor(obj, chosen)}
    needed = chosen | {o for o in linked if o is not None}
    for obj in list(needed):
        while obj.parent is not None and obj.parent not in needed:
            obj = obj.parent
            needed.add(obj)
    # Parents before their children; names keep the order stable.
    order = sorted(needed, key=lambda o: (_depth(o), o.name_full))
    values = _SceneValues(scene)
    boxed_by_hand = [o for o in order if o.instance_type != "NONE"]
    if hierarchy:
        boxed_by_hand = order
        instancers = {d for o in order for d in [o, *o.children_recursive]
                      if d.instance_type != "NONE"}
    else:
        instancers = set(boxed_by_hand)
    instances = boxes.instances_by_instancer(depsgraph, instancers)
    drawn = {o: boxes.drawn_box(o, instances, hierarchy) for o in boxed_by_hand}

    position = {obj: i for i, obj in enumerate(order)}
    matrices, centres, half_sizes = array.array("f"), array.array("d"), array.array("d")
    for obj in order:
        matrices.extend(values.matrix(obj))
        centre, halves = drawn.get(obj) or boxes.from_bound_box(values.bound_box(obj))
        centres.extend(centre or (0.0, 0.0, 0.0))
        half_sizes.extend(halves)
    document_objects = document.add_objects(
        [o.name_full for o in order],
        parents=[position[o.parent] if o.parent is not None else -1 for o in order],
        matrices=matrices, layout="columns", box_centres=centres, half_sizes=half_sizes,
        selected=[o in chosen for o in order])
    return Mirrored(order, document_objects, matrices)
