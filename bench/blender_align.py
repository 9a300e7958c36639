"""Align selected on BENCH_OBJECTS (default 10^4) selected objects in Blender: the
Kestrum add-on's press against Blender's own object.align on the same objects, in the
same run, each timed until the depsgraph has been updated after it; and the redo panel's
re-run (undo, then the press again with every setting given). Run as
blender -b --factory-startup --python bench/blender_align.py with KESTRUM_BLENDER_SCRIPTS
naming the build's blender/ folder."""

import os
import sys
import time

import addon_utils
import bpy

sys.path.insert(0, os.path.join(os.environ["KESTRUM_BLENDER_SCRIPTS"], "addons"))
addon_utils.enable("kestrum_blender", default_set=True, handle_error=None)

count = int(os.environ.get("BENCH_OBJECTS", "10000"))

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
start = [o.location.copy() for o in objects]
PRESS = dict(workflow="ALIGN_SELECTED", align_z_mode="ALIGN_Z_MODE_PLUS",
             align_z_side="ALIGN_Z_SIDE_OUTSIDE")


def reset():
    for obj, location in zip(objects, start):
        obj.location = location
        obj.select_set(True)
    bpy.context.view_layer.objects.active = base
    bpy.context.view_layer.update()


def timed(press):
    reset()
    began = time.perf_counter()
    press()
    bpy.context.view_layer.update()
    return time.perf_counter() - began


def redo():
    reset()
    bpy.ops.ed.undo_push(message="before")
    bpy.ops.kestrum.align(**PRESS)
    bpy.ops.ed.undo_push(message="Kestrum")  # as the interface records a press
    began = time.perf_counter()
    bpy.ops.ed.undo()
    undone = time.perf_counter()
    bpy.ops.kestrum.align(relative_to="FIELD", frame="world", **PRESS)
    bpy.context.view_layer.update()
    return undone - began, time.perf_counter() - undone


kestrum_seconds = timed(lambda: bpy.ops.kestrum.align(**PRESS))
base.select_set(True)
blender_seconds = timed(lambda: bpy.ops.object.align(align_mode="OPT_3", relative_to="OPT_4",
                                                      align_axis={"Z"}))
undo_seconds, again_seconds = redo()  # last: undo replaces every object
print(f"blender align selected, {count} objects: kestrum {kestrum_seconds:.3f} s, "
      f"object.align {blender_seconds:.3f} s ({blender_seconds / kestrum_seconds:.1f}x); "
      f"the redo panel's re-run: Blender's undo {undo_seconds:.3f} s, then the press "
      f"{again_seconds:.3f} s ({again_seconds / kestrum_seconds:.1f}x the first)")
sys.exit(0 if kestrum_seconds < blender_seconds else 1)
