"""Writes the pictures of Kestrum in Blender's window for docs/blender.md: the panel, and
the redo panel after a press with one of its settings changed there. Run under a
display, e.g.
KESTRUM_BLENDER_SCRIPTS=build/blender xvfb-run -s '-screen 0 1280x900x24' \\
    blender --factory-startup --enable-event-simulate \\
    --python tools/blender_panel_screenshot.py -- docs/blender.png docs/blender-redo.png
"""

import os
import sys

import addon_utils
import bpy

sys.path.insert(0, os.path.join(os.environ["KESTRUM_BLENDER_SCRIPTS"], "addons"))
addon_utils.enable("kestrum_blender", default_set=True, handle_error=None)
panel_picture, redo_picture = map(os.path.abspath, sys.argv[sys.argv.index("--") + 1:][:2])

scene = bpy.context.scene
table = bpy.data.objects["Cube"]
table.name, table.scale = "Table", (2, 1, 0.4)
for i in range(3):
    bpy.ops.mesh.primitive_cylinder_add(radius=0.3, depth=1, location=(3, 2 * i - 2, 1 + i))
    bpy.context.active_object.name = f"Vase{i}"
scene.kestrum.align_z_mode, scene.kestrum.align_z_side = "ALIGN_Z_MODE_PLUS", "ALIGN_Z_SIDE_OUTSIDE"
scene.kestrum.align_x_mode, scene.kestrum.align_y_mode = "ALIGN_X_MODE_CENTER", "ALIGN_Y_MODE_CENTER"
bpy.context.preferences.view.show_splash = False


def view_3d(window):
    return next(a for a in window.screen.areas if a.type == "VIEW_3D")


def shoot():
    window = bpy.context.window_manager.windows[0]
    view = view_3d(window)
    view.spaces.active.show_region_ui = True
    sidebar = next(r for r in view.regions if r.type == "UI")
    bpy.app.timers.register(lambda: pick_tab(window, sidebar), first_interval=1.0)


def pick_tab(window, sidebar):
    # Blender 3.4 has no way to choose a sidebar tab from Python: click the Kestrum tab,
    # the last of the four down the sidebar's right edge.
    x, y = sidebar.x + sidebar.width - 10, sidebar.y + sidebar.height - 150
    window.event_simulate(type="MOUSEMOVE", value="NOTHING", x=x, y=y)
    window.event_simulate(type="LEFTMOUSE", value="PRESS", x=x, y=y)
    window.event_simulate(type="LEFTMOUSE", value="RELEASE", x=x, y=y)
    bpy.app.timers.register(lambda: save_panel(window), first_interval=1.0)


def save_panel(window):
    view = view_3d(window)
    with bpy.context.temp_override(window=window, area=view):
        bpy.ops.screen.screenshot_area(filepath=panel_picture)
    # The vases selected, the table active: a press from Object > Transform > Kestrum.
    for obj in bpy.context.view_layer.objects:
        obj.select_set(obj.name.startswith("Vase"))
    bpy.context.view_layer.objects.active = table
    table.select_set(True)
    bpy.ops.ed.undo_push(message="The scene")  # what the press's redo goes back to
    # Blender shows the redo panel for operators an event ran, not a script: a key of
    # this script's own presses Stack over the 3D view.
    keymap = bpy.context.window_manager.keyconfigs.addon.keymaps.new("3D View",
                                                                     space_type="VIEW_3D")
    keymap.keymap_items.new("kestrum.align", "F5", "PRESS").properties.workflow = "STACK"
    region = next(r for r in view.regions if r.type == "WINDOW")
    x, y = region.x + region.width // 2, region.y + region.height // 2
    window.event_simulate(type="MOUSEMOVE", value="NOTHING", x=x, y=y)
    window.event_simulate(type="F5", value="PRESS", x=x, y=y)
    window.event_simulate(type="F5", value="RELEASE", x=x, y=y)
    bpy.app.timers.register(lambda: redo(window), first_interval=1.0)


def redo(window):
    # What the redo panel does when a setting is changed there: undo, then the press again
    # with the operator's properties.
    last = bpy.context.window_manager.operators[-1]
    last.properties.gap = (0, 0, 0.2)
    view = view_3d(window)
    region = next(r for r in view.regions if r.type == "WINDOW")
    with bpy.context.temp_override(window=window, area=view, region=region):
        bpy.ops.ed.undo_redo()
    print("after the re-run:", {o.name: round(o.location.z, 3) for o in bpy.data.objects})
    bpy.app.timers.register(lambda: open_redo_panel(window), first_interval=1.0)


def open_redo_panel(window):
    hud = next(r for r in view_3d(window).regions if r.type == "HUD")
    x, y = hud.x + 20, hud.y + hud.height - 12
    window.event_simulate(type="MOUSEMOVE", value="NOTHING", x=x, y=y)
    window.event_simulate(type="LEFTMOUSE", value="PRESS", x=x, y=y)
    window.event_simulate(type="LEFTMOUSE", value="RELEASE", x=x, y=y)
    bpy.app.timers.register(lambda: save_redo(window), first_interval=1.0)


def save_redo(window):
    with bpy.context.temp_override(window=window, area=view_3d(window)):
        bpy.ops.screen.screenshot_area(filepath=redo_picture)
    bpy.ops.wm.quit_blender()


bpy.app.timers.register(shoot, first_interval=1.0)
