"""One press of the tool or of a session workflow, from Blender's scene: the objects
mirrored into a new document of the session's plug-in, the press's settings written
there, the press made, and what it moved written back. Every placement comes from the
plug-in; the add-on only chooses which objects and boxes it shows."""

from dataclasses import dataclass, field

from . import mirror, selection_order, settings, tool, write_back

WORKFLOWS = ("ALIGN_SELECTED", "ALIGN_OBJECT", "STACK", "GROUP", "DISTRIBUTE")
_AXES = "xyz"


@dataclass
class Outcome:
    summary: str  # None: a press that places nothing
    moved: int
    messages: list = field(default_factory=list)
    opened: list = field(default_factory=list)
    locked: list = field(default_factory=list)


def reference_object(context, relative_to):
    """The Blender object the press is relative to; None for a point or the selection."""
    if relative_to == "FIELD":
        return context.scene.kestrum.align_reference or context.view_layer.objects.active
    if relative_to == "ACTIVE":
        return context.view_layer.objects.active
    return None


def _point_reference(document, mirrored, context, relative_to):
    taken = {o.name_full for o in mirrored.blender_objects if o.parent is None}
    name = {"CURSOR": "3D cursor", "ORIGIN": "World origin"}[relative_to]
    while name in taken:
        name += "'"
    matrix = context.scene.cursor.matrix if relative_to == "CURSOR" else None
    return document.add(name, matrix=matrix)


def _stacking_axis(options):
    for axis in _AXES:
        mode = getattr(options, f"align_{axis}_mode")
        if not mode.endswith("_NONE"):
            return _AXES.index(axis), mode.endswith("_MINUS")
    return 2, False


def _stack_order(objects, options):
    axis, downwards = _stacking_axis(options)

    def along(objs):
        return sorted(objs, key=lambda o: o.matrix_world.translation[axis], reverse=downwards)

    if options.stack_order == "SELECTION":
        clicked, others = selection_order.in_click_order(objects)
        return clicked + along(others)
    return along(objects)


def run(context, options):
    """Presses `options.workflow` with `options`' settings (the operator's properties)."""
    layout = tool.panel_layout()
    scene = context.scene
    selected = context.selected_objects
    reference = reference_object(context, options.relative_to)
    to_align = scene.kestrum.align_object
    document = tool.plugin().new_document(scene.name)
    depsgraph = context.evaluated_depsgraph_get()
    mirrored = mirror.mirror(document, scene, depsgraph, selected, [reference, to_align],
                             options.hierarchy)
    links = {"align_reference": mirrored.get(reference), "align_object": mirrored.get(to_align)}
    if options.relative_to in ("CURSOR", "ORIGIN"):
        links["align_reference"] = _point_reference(document, mirrored, context,
                                                     options.relative_to)
    settings.write(options, document, links, layout)
    placement = {"frame": options.frame, "gap": tuple(options.gap), "check_undo": True}
    # The reference stays, so a workflow's own list of objects leaves it out.
    movers = [o for o in selected if o is not reference and o in mirrored.document_object]
    workflow = options.workflow
    if workflow in ("STACK", "GROUP") and not movers:
        why = "only the reference is selected, and it stays where it is" if selected else \
            "no object is selected"
        return Outcome(f"nothing moved: {why}", 0)
    if workflow == "ALIGN_SELECTED" and options.relative_to == "SELECTION":
        result = document.press_against_selection(**placement)
    elif workflow in ("ALIGN_SELECTED", "ALIGN_OBJECT"):
        button = "ALIGN_SELECTED" if workflow == "ALIGN_SELECTED" else "COMMAND_ALIGN_OBJECT"
        result = document.press(tool.button_id(button), **placement)
    elif workflow == "STACK":
        result = document.stack([mirrored.get(o) for o in _stack_order(movers, options)],
                                **placement)
    elif workflow == "GROUP":
        result = document.press_as_group([mirrored.get(o) for o in movers], **placement)
    else:
        axis = _AXES.index(options.distribute_axis)
        gap = options.gap[axis] if options.spacing == "GAP" else None
        result = document.distribute(options.distribute_axis,
                                     [mirrored.get(o) for o in selected
                                      if o in mirrored.document_object],
                                     gap=gap, check_undo=True)
    written, locked = write_back.write_back(mirrored, document, scene)
    return Outcome(result.summary, written, result.messages, result.opened, locked)


def press_button(context, name):
    """Presses a tool button that places nothing (reset, help) with the scene's settings,
    and writes the settings the press left back into the scene's."""
    layout = tool.panel_layout()
    scene_settings = context.scene.kestrum
    document = tool.plugin().new_document(context.scene.name)
    mirrored = mirror.mirror(document, context.scene, context.evaluated_depsgraph_get(), [],
                             [scene_settings.align_reference, scene_settings.align_object])
    settings.write(scene_settings, document,
                   {n: mirrored.get(getattr(scene_settings, n))
                    for n in ("align_reference", "align_object")}, layout)
    result = document.press(tool.button_id(name))
    settings.read(scene_settings, document, mirrored.blender_object, layout)
    return Outcome(None, 0, result.messages, result.opened)  # nothing to place, nothing said
