"""The Kestrum tab of the 3D view's sidebar: the tool's panel as the plug-in registered
it, a box per group, its settings as the scene keeps them and its buttons."""

import bpy

from . import tool

_panel = None


def register(layout):
    global _panel

    def draw(self, context):
        scene_settings = context.scene.kestrum
        for group in layout:
            column = self.layout.box().column(align=True)
            column.label(text=group["label"])
            for control in group["controls"]:
                if control["kind"] == "button":
                    column.operator("kestrum.press", text=control["label"]).button = control["id"]
                else:
                    # The label above its field: the sidebar is too narrow for both.
                    column.label(text=control["label"])
                    column.prop(scene_settings, tool.property_name(control), text="")
        placement = context.scene.kestrum_placement
        column = self.layout.box().column(align=True)
        column.label(text="Placement")
        column.prop(placement, "frame", text="")
        column.prop(placement, "gap")

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
