"""The Kestrum tab of the 3D view's sidebar: the tool's panel as the plug-in registered
it, a box per group, its settings as the scene keeps them and its buttons; then the
add-on's own choices for a press and the session's workflows."""

import bpy

from . import tool

_panel = None
_ALIGN_BUTTONS = {"ALIGN_SELECTED": "ALIGN_SELECTED", "COMMAND_ALIGN_OBJECT": "ALIGN_OBJECT"}


def _tool_groups(layout, column_of, scene_settings):
    for group in layout:
        column = column_of()
        column.label(text=group["label"])
        for control in group["controls"]:
            if control["kind"] != "button":
                # The label above its field: the sidebar is too narrow for both.
                column.label(text=control["label"])
                column.prop(scene_settings, tool.property_name(control), text="")
            elif control["name"] in _ALIGN_BUTTONS:
                column.operator("kestrum.align", text=control["label"]).workflow = \
                    _ALIGN_BUTTONS[control["name"]]
            else:
                column.operator("kestrum.press", text=control["label"]).button = control["name"]


def register(layout):
    global _panel

    def draw(self, context):
        def column_of():
            return self.layout.box().column(align=True)

        _tool_groups(layout, column_of, context.scene.kestrum)
        options = context.scene.kestrum_placement
        column = column_of()
        column.label(text="Placement")
        column.prop(options, "relative_to", text="")
        column.prop(options, "frame", text="")
        column.prop(options, "gap")
        column.prop(options, "hierarchy")
        column = column_of()
        column.label(text="Workflows")
        column.prop(options, "stack_order", text="")
        column.operator("kestrum.align", text="Stack").workflow = "STACK"
        column.operator("kestrum.align", text="Move as group").workflow = "GROUP"
        row = column.row(align=True)
        row.prop(options, "distribute_axis", expand=True)
        column.prop(options, "spacing", text="")
        column.operator("kestrum.align", text="Distribute").workflow = "DISTRIBUTE"

    _panel = type("KESTRUM_PT_tool", (bpy.types.Panel,), {
        "bl_idname": "KESTRUM_PT_tool",
        "bl_label": tool.tool_name(),
        "bl_space_type": "VIEW_3D",
        "bl_region_type": "UI",
        "bl_category": "Kestrum",
        "draw": draw,
    })
    bpy.utils.register_class(_panel)


def unregister():
    bpy.utils.unregister_class(_panel)
