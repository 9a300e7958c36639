"""The add-on's operators. "kestrum.align" presses a workflow as one Blender undo step
and carries every setting it used as its own properties, so the redo panel (F9) tunes
them and Blender presses again on the scene as it was. "kestrum.press" presses the
tool's other buttons (reset, help). A press that fails changes nothing and says why in
the status bar; one that moves nothing says why too."""

import bpy

from . import press, settings, tool
from .tool import kestrum

_align = None
_carried = []  # the names of the settings a press carries, taken from the panel
_WORKFLOW_TEXTS = {
    "STACK": ("Stack", "Each selected object on the one before it, the first on the "
              "reference"),
    "GROUP": ("Move as group", "The selected objects moved as one rigid body, by the box "
              "around them all"),
    "DISTRIBUTE": ("Distribute", "The selected objects spaced evenly along one axis, by "
                   "their world boxes; no reference"),
}


def workflow_items():
    """(identifier, name, tooltip): the tool's own buttons in its own words, then the
    session's workflows."""
    own = [(w, tool.button_label(b), f"{tool.button_label(b)}: {tool.tool_help()}")
           for w, b in (("ALIGN_SELECTED", "ALIGN_SELECTED"),
                        ("ALIGN_OBJECT", "COMMAND_ALIGN_OBJECT"))]
    return own + [(w, name, tip) for w, (name, tip) in _WORKFLOW_TEXTS.items()]


def _report(operator, outcome):
    name = tool.tool_name()
    if outcome.summary is not None:
        summary = outcome.summary
        if outcome.locked:  # the tool's count holds the objects that could not be written
            summary = f"{outcome.moved} object{'' if outcome.moved == 1 else 's'} moved"
        operator.report({"INFO"} if outcome.moved else {"WARNING"}, f"{name}: {summary}")
    for message in outcome.messages:
        operator.report({"INFO"}, f"{name}: {message}")
    for page in outcome.opened:
        bpy.ops.wm.url_open(url=page if "://" in page else "file://" + page)
    if outcome.locked:
        operator.report({"WARNING"}, f"{name}: not moved, linked from a library: "
                        + ", ".join(outcome.locked))


def _pressed(operator, press_it):
    """Runs a press and reports it; a failure changes nothing and says why."""
    try:
        outcome = press_it()
    except (kestrum.InputError, kestrum.PluginFailure) as error:
        operator.report({"ERROR"}, f"{tool.tool_name()}: {error}")
        return {"CANCELLED"}
    _report(operator, outcome)
    return {"FINISHED"}


def _execute(self, context):
    # A press from the panel or a menu starts from the panel's settings; the redo panel's
    # re-run finds every property set and keeps what it was given.
    scene = context.scene
    for name in _carried:
        if not self.properties.is_property_set(name):
            source = scene.kestrum if hasattr(scene.kestrum, name) else scene.kestrum_placement
            setattr(self, name, getattr(source, name))
    return _pressed(self, lambda: press.run(context, self))


def _draw(self, _context):
    column = self.layout.column()
    column.prop(self, "workflow")
    if self.workflow == "DISTRIBUTE":
        column.prop(self, "distribute_axis")
        column.prop(self, "spacing")
        if self.spacing == "GAP":
            column.prop(self, "gap")
        return
    column.prop(self, "relative_to")
    for axis in "xyz":
        row = column.row(align=True)
        row.prop(self, f"align_{axis}_mode", text=axis.upper())
        row.prop(self, f"align_{axis}_side", text="")
    column.prop(self, "frame")
    if self.frame != "tool":
        column.prop(self, "gap")
    column.prop(self, "hierarchy")
    if self.workflow == "STACK":
        column.prop(self, "stack_order")


def _description(_cls, _context, properties):
    return next(tip for w, _, tip in workflow_items() if w == properties.workflow)


class KESTRUM_OT_press(bpy.types.Operator):
    """Press a button of the Kestrum tool"""

    bl_idname = "kestrum.press"
    bl_label = "Kestrum"
    bl_options = {"REGISTER", "UNDO", "INTERNAL"}

    button: bpy.props.StringProperty(name="Button", description="The button's name")

    @classmethod
    def description(cls, context, properties):
        return tool.button_label(properties.button)

    def execute(self, context):
        return _pressed(self, lambda: press.press_button(context, self.button))


def register():
    global _align, _carried
    layout = tool.panel_layout()
    skip = {"SKIP_SAVE"}  # a press starts from the panel, not from the last press
    carried = {**settings.value_properties(layout, skip), **settings.press_properties(skip)}
    _carried = list(carried)
    annotations = {
        "workflow": bpy.props.EnumProperty(name="Workflow", items=workflow_items(),
                                           options=skip),
        **carried,
    }
    _align = type("KESTRUM_OT_align", (bpy.types.Operator,), {
        "__doc__": tool.tool_help(),
        "bl_idname": "kestrum.align",
        "bl_label": tool.tool_name(),
        "bl_options": {"REGISTER", "UNDO"},
        "__annotations__": annotations,
        "execute": _execute,
        "draw": _draw,
        "description": classmethod(_description),
    })
    bpy.utils.register_class(_align)
    bpy.utils.register_class(KESTRUM_OT_press)


def unregister():
    bpy.utils.unregister_class(KESTRUM_OT_press)
    bpy.utils.unregister_class(_align)
