"""Writes the picture of the Kestrum panel in Blender's window for docs/blender.md. Run
under a display, e.g.
KESTRUM_BLENDER_SCRIPTS=build/blender xvfb-run -s '-screen 0 1280x900x24' \
    blender --factory-startup --enable-event-simulate --python tools/blender_panel_screenshot.py -- docs/blender.png
"""

import os
import sys

import addon_utils
import bpy

sys.path.insert(0, os.path.join(os.environ["KESTRUM_BLENDER_SCRIPTS"], "addons"))
addon_utils.enable("kestrum_blender", default_set=True, handle_error=None)
output = os.path.abspath(sys.argv[sys.argv.index("--") + 1])

scene = bpy.context.scene
table = bpy.data.objects["Cube"]
table.name, table.scale = "Table", (2, 1, 0.4)
bpy.ops.mesh.primitive_cylinder_add(radius=0.3, depth=1, location=(3, 2, 0))
bpy.context.active_object.name = "Vase"
scene.kestrum.align_reference = table
scene.kestrum.align_z_mode, scene.kestrum.align_z_side = "ALIGN_Z_MODE_PLUS", "ALIGN_Z_SIDE_OUTSIDE"


bpy.context.preferences.view.show_splash = False


def shoot():
    window = bpy.context.window_manager.windows[0]
    for area in window.screen.areas:
        if area.type == "VIEW_3D":
            area.spaces.active.show_region_ui = True
            sidebar = next(r for r in area.regions if r.type == "UI")
    bpy.app.timers.register(lambda: pick_tab(window, sidebar), first_interval=1.0)


def pick_tab(window, sidebar):
    # Blender 3.4 has no way to choose a sidebar tab from Python: click the Kestrum tab,
    # the last of the four down the sidebar's right edge.
    x, y = sidebar.x + sidebar.width - 10, sidebar.y + sidebar.height - 150
    window.event_simulate(type="MOUSEMOVE", value="NOTHING", x=x, y=y)
    window.event_simulate(type="LEFTMOUSE", value="PRESS", x=x, y=y)
    window.event_simulate(type="LEFTMOUSE", value="RELEASE", x=x, y=y)
    bpy.app.timers.register(lambda: save(window), first_interval=1.0)


def save(window):
    view = next(a for a in window.screen.areas if a.type == "VIEW_3D")
    with bpy.context.temp_override(window=window, area=view):
        bpy.ops.screen.screenshot_area(filepath=output)
    bpy.ops.wm.quit_blender()


bpy.app.timers.register(shoot, first_interval=1.0)
