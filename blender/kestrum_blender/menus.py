"""The workflows in Object > Transform, which also puts them in F3's search: a submenu
named for the tool, one entry a workflow, each with the workflow's tooltip."""

import bpy

from . import operators, tool


class KESTRUM_MT_transform(bpy.types.Menu):
    bl_idname = "KESTRUM_MT_transform"
    bl_label = "Kestrum"

    def draw(self, _context):
        for workflow, name, _ in operators.workflow_items():
            self.layout.operator("kestrum.align", text=name).workflow = workflow


def _draw_entry(self, _context):
    self.layout.separator()
    self.layout.menu(KESTRUM_MT_transform.bl_idname, text=tool.tool_name())


def register():
    bpy.utils.register_class(KESTRUM_MT_transform)
    bpy.types.VIEW3D_MT_transform_object.append(_draw_entry)


def unregister():
    bpy.types.VIEW3D_MT_transform_object.remove(_draw_entry)
    bpy.utils.unregister_class(KESTRUM_MT_transform)
