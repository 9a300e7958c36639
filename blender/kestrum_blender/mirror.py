"""Blender's objects that a press needs, mirrored into a host document in one call: the
selection, the linked objects and every parent above them, each with its matrix in its
parent's frame and its box as Blender draws it. Matrices and boxes are read for the
whole scene at once, which costs less than reading them object by object."""

import array
import functools
from itertools import chain

from . import boxes


class Mirrored:
    """The Blender objects in the document, in the order they were added, theirs, and
    the matrices they were added with (in the parent's frame, 16 a object, by columns)."""

    def __init__(self, blender_objects, document_objects, matrices, scene_index):
        self.scene_index = scene_index  # each scene object's place in scene.objects
        self.blender_objects = blender_objects
        self.document_objects = document_objects
        self.matrices = matrices
        self.document_object = dict(zip(blender_objects, document_objects))

    @functools.cached_property
    def blender_object(self):
        # Made when asked: hashing the document's objects is not free.
        return dict(zip(self.document_objects, self.blender_objects))

    def get(self, obj):
        return self.document_object.get(obj) if obj is not None else None


def _has_selected_ancestor(obj, chosen):
    parent = obj.parent
    while parent is not None:
        if parent in chosen:
            return True
        parent = parent.parent
    return False


def _depth(obj, parent_of):
    depth = 0
    while parent_of[obj] is not None:
        obj, depth = parent_of[obj], depth + 1
    return depth


def _local(obj):
    if obj.parent is None:
        return obj.matrix_world
    if obj.parent_type == "OBJECT":
        # Blender's own definition, without inverting the parent's world matrix, which
        # under very large scales is out of single precision's range.
        return obj.matrix_parent_inverse @ obj.matrix_basis
    return obj.parent.matrix_world.inverted() @ obj.matrix_world


def _scene_values(scene, order, parent_of):
    """The objects' matrices in their parents' frames (16 values an object, by columns)
    and their boxes' centres and half sizes (3 an object), read for the whole scene in
    bulk; and each scene object's place in scene.objects."""
    objects = scene.objects
    index = {obj: i for i, obj in enumerate(objects)}
    worlds = array.array("f", bytes(4 * 16 * len(index)))  # len(objects) walks them all
    objects.foreach_get("matrix_world", worlds)
    bounds = array.array("f", bytes(4 * 24 * len(index)))
    objects.foreach_get("bound_box", bounds)
    places = [index.get(obj) for obj in order]
    matrices = array.array("f")
    for obj, i in zip(order, places):
        if parent_of[obj] is None and i is not None:
            matrices.extend(worlds[16 * i:16 * i + 16])
        else:  # a child, or an object in a field that is not in the scene
            matrices.extend(v for column in _local(obj).col for v in column)
    # bound_box is axis-aligned in the object's frame: its first corner is the lowest on
    # every axis, its seventh the highest. One that draws nothing is all zeros: a point.
    low = [bounds[k::24] for k in (0, 1, 2)]
    high = [bounds[k::24] for k in (18, 19, 20)]
    at = [0 if i is None else i for i in places]  # the others are boxed by hand
    centres = array.array("d", chain.from_iterable(zip(*[
        [(lo[i] + hi[i]) / 2 for i in at] for lo, hi in zip(low, high)])))
    half_sizes = array.array("d", chain.from_iterable(zip(*[
        [(hi[i] - lo[i]) / 2 for i in at] for lo, hi in zip(low, high)])))
    return matrices, centres, half_sizes, index


def mirror(document, scene, depsgraph, selected, linked, hierarchy=False):
    """Adds the objects to `document`. With `hierarchy`, each box holds the object's
    children's boxes, and a selected object under a selected parent is left to move with
    it rather than moved twice."""
    chosen = set(selected)
    if hierarchy:
        chosen = {obj for obj in chosen if not _has_selected_ancestor(obj, chosen)}
    # The selection's order, then the links, then the parents above them all.
    order = list(dict.fromkeys([o for o in selected if o in chosen]
                               + [o for o in linked if o is not None]))
    parent_of, listed = {}, set(order)
    for obj in order:  # grows as parents are found
        parent = parent_of[obj] = obj.parent
        if parent is not None and parent not in listed:
            listed.add(parent)
            order.append(parent)
    order.sort(key=lambda o: _depth(o, parent_of))  # parents before their children

    matrices, centres, half_sizes, scene_index = _scene_values(scene, order, parent_of)
    if hierarchy:
        boxed_by_hand = order
        instancers = {d for o in order for d in [o, *o.children_recursive]
                      if d.instance_type != "NONE"}
    else:
        instancers = {o for o in order if o.instance_type != "NONE"}
        boxed_by_hand = [o for o in order if o in instancers or o not in scene_index]
    instances = boxes.instances_by_instancer(depsgraph, instancers)
    position = {obj: i for i, obj in enumerate(order)}
    for obj in boxed_by_hand:
        centre, halves = boxes.drawn_box(obj, instances, hierarchy)
        p = 3 * position[obj]
        centres[p:p + 3] = array.array("d", centre or (0.0, 0.0, 0.0))
        half_sizes[p:p + 3] = array.array("d", halves)
    document_objects = document.add_objects(
        [o.name_full for o in order],
        parents=[-1 if parent_of[o] is None else position[parent_of[o]] for o in order],
        matrices=matrices, layout="columns", box_centres=centres, half_sizes=half_sizes,
        selected=[o in chosen for o in order])
    return Mirrored(order, document_objects, matrices, scene_index)
