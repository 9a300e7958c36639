"""Kestrum in Blender: the alignment tool's panel in the 3D view's sidebar, pressing the
same plug-in the kestrum command loads, through the kestrum Python module."""

bl_info = {
    "name": "Kestrum",
    "author": "Kestrum",
    "version": (1, 0, 0),
    "blender": (3, 4, 0),
    "location": "View3D > Sidebar > Kestrum",
    "description": "Align objects against a reference object's box, axis by axis",
    "category": "Object",
}

from . import operators, panel, settings, tool


def register():
    layout = tool.panel_layout()
    settings.register(layout)
    operators.register()
    panel.register(layout)


def unregister():
    panel.unregister()
    operators.unregister()
    settings.unregister()
