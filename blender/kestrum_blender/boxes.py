"""An object's box as Blender draws it, in the object's own frame: its evaluated
geometry's bounds (modifiers, curves, text, metaballs, point clouds, volumes), what it
instances (collections, recursively), and on request its children's boxes. An object
that draws nothing is a point."""

from mathutils import Vector

POINT = (None, (0.0, 0.0, 0.0))


def instances_by_instancer(depsgraph, instancers):
    """{instancer: corners, in its frame, of every instance it draws} for the original
    objects in `instancers`; nested instances come under the outermost."""
    found = {obj: [] for obj in instancers}
    if not found:
        return found
    frames = {obj: obj.matrix_world.inverted_safe() for obj in instancers}
    for instance in depsgraph.object_instances:
        if not instance.is_instance:
            continue
        instancer = instance.parent.original
        if instancer in found:
            # The instance's object is Blender's temporary copy, valid only in this step.
            corners = [Vector(c) for c in instance.object.bound_box]
            if any(any(c) for c in corners):
                to_frame = frames[instancer] @ instance.matrix_world
                found[instancer] += [to_frame @ c for c in corners]
    return found


def _drawn_corners(obj, instances):
    """Corners, in the object's frame, of what it draws: its geometry and its instances."""
    corners = [Vector(c) for c in obj.bound_box]
    if not any(any(c) for c in corners):
        corners = []
    return corners + instances.get(obj, [])


def drawn_box(obj, instances, hierarchy):
    """(centre, half sizes) in the object's frame of what it draws, its instances' and,
    with `hierarchy`, every descendant's; POINT when that is nothing."""
    corners = _drawn_corners(obj, instances)
    if hierarchy:
        frame = obj.matrix_world.inverted_safe()
        for child in obj.children_recursive:
            to_frame = frame @ child.matrix_world
            corners += [to_frame @ c for c in _drawn_corners(child, instances)]
    if not corners:
        return POINT
    low = [min(c[i] for c in corners) for i in range(3)]
    high = [max(c[i] for c in corners) for i in range(3)]
    return (tuple((a + b) / 2 for a, b in zip(low, high)),
            tuple((b - a) / 2 for a, b in zip(low, high)))
