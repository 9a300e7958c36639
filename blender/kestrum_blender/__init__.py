"""Kestrum in Blender: the alignment tool's panel in the 3D view's sidebar and its
workflows in Object > Transform, pressing the same plug-in the kestrum command loads,
through the kestrum Python module."""

bl_info = {
    "name": "Kestrum",
    "author": "Kestrum",
    "version": (1, 1, 0),
    "blender": (3, 4, 0),
    "location": "View3D > Sidebar > Kestrum; Object > Transform > Kestrum",
    "description": "Align objects against a reference object's box, axis by axis",
    "category": "Object",
}

from . import menus, operators, panel, selection_order, settings, tool


def register():
    tool.expose_module()
    layout = tool.panel_layout()
    settings.register(layout)
    operators.register()
    menus.register()
    panel.register(layout)
    selection_order.register()


def unregister():
    selection_order.unregister()
    panel.unregister()
    menus.unregister()
    operators.unregister()
    settings.unregister()
    tool.close()
