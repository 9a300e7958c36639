"""Align selected on BENCH_OBJECTS (default 10^4) selected objects in Blender: the
Kestrum add-on's press against Blender's own object.align on the same objects, in the
same run. Run as blender -b --factory-startup --python bench/blender_align.py with
KESTRUM_BLENDER_SCRIPTS naming the build's blender/ folder."""

import os
import sys
import time

import addon_utils
import bpy

sys.path.insert(0, os.path.join(os.environ["KESTRUM_BLENDER_SCRIPTS"], "addons"))
addon_utils.enable("kestrum_blender", default_set=True, handle_error=None)
from kestrum_blender import tool  # noqa: E402

count = int(os.environ.get("BENCH_OBJECTS", "10000"))
align_selected = next(c["id"] for g in tool.panel_layout() for c in g["controls"]
                      if c["label"] == "Align selected")

for obj in list(bpy.data.objects):
    bpy.data.objects.remove(obj)
mesh = bpy.data.meshes.new("Box")
mesh.from_pydata([(x, y, z) for x in (-1, 1) for y in (-1, 1) for z in (-1, 1)], [], [])
scene = bpy.context.scene
base = bpy.data.objects.new("Base", mesh)
scene.collection.objects.link(base)
base.scale = (40, 40, 1)
objects = []
for i in range(count):
    obj = bpy.data.objects.new(f"Box{i}", mesh)  # one mesh shared by all
    obj.location = (i % 100 * 3.0, i // 100 * 3.0, 5.0)
    scene.collection.objects.link(obj)
    objects.append(obj)
start = [o.matrix_world.copy() for o in objects]


def timed(press):
    for obj, matrix in zip(objects, start):
        obj.matrix_world = matrix
        obj.select_set(True)
    bpy.context.view_layer.update()
    began = time.perf_counter()
    press()
    return time.perf_counter() - began


settings = scene.kestrum
settings.align_reference = base
settings.align_z_mode, settings.align_z_side = "ALIGN_Z_MODE_PLUS", "ALIGN_Z_SIDE_OUTSIDE"
bpy.context.view_layer.objects.active = base
kestrum_seconds = timed(lambda: bpy.ops.kestrum.press(button=align_selected))
base.select_set(True)
blender_seconds = timed(lambda: bpy.ops.object.align(align_mode="OPT_3", relative_to="OPT_4",
                                                      align_axis={"Z"}))
print(f"blender align selected, {count} objects: kestrum {kestrum_seconds:.3f} s, "
      f"object.align {blender_seconds:.3f} s ({blender_seconds / kestrum_seconds:.1f}x)")
sys.exit(0 if kestrum_seconds < blender_seconds else 1)
