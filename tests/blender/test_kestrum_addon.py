"""The Blender add-on's promises, in Blender: run as
blender -b --factory-startup --python-exit-code 1 --python test_kestrum_addon.py
with KESTRUM_BLENDER_SCRIPTS naming the build's blender/ folder."""

import ctypes
import math
import os
import sys
import tempfile

import addon_utils
import bpy
from mathutils import Matrix, Vector

sys.path.insert(0, os.path.join(os.environ["KESTRUM_BLENDER_SCRIPTS"], "addons"))
addon_utils.enable("kestrum_blender", default_set=True, handle_error=None)
# Only what the add-on registered: the button ids come from its panel.
from kestrum_blender import tool  # noqa: E402

TOLERANCE = 1e-5  # Blender keeps matrices in single precision


def empty_scene():
    for obj in list(bpy.data.objects):
        bpy.data.objects.remove(obj)
    bpy.context.scene.property_unset("kestrum")
    bpy.context.scene.property_unset("kestrum_placement")
    bpy.context.scene.cursor.location = (0, 0, 0)
    bpy.ops.ed.undo_push(message="start")


def cube(name, location=(0, 0, 0), scale=(1, 1, 1), turn=0.0, lift=0.0, parent=None,
         size=(1, 1, 1)):
    """A box mesh of half sizes `size`, raised by `lift` in its own frame."""
    mesh = bpy.data.meshes.new(name)
    mesh.from_pydata([(x * size[0], y * size[1], z * size[2] + lift)
                      for x in (-1, 1) for y in (-1, 1) for z in (-1, 1)], [], [])
    obj = bpy.data.objects.new(name, mesh)
    bpy.context.scene.collection.objects.link(obj)
    obj.location, obj.scale, obj.rotation_euler = location, scale, (0, 0, turn)
    obj.parent = parent
    return obj


def select(objects, active=None):
    for obj in bpy.context.scene.objects:
        obj.select_set(obj in objects)
    bpy.context.view_layer.objects.active = active
    bpy.context.view_layer.update()


def bounds(obj, frame=Matrix()):
    """The mesh's bounds in `frame` (world by default)."""
    bpy.context.view_layer.update()
    points = [frame.inverted() @ obj.matrix_world @ v.co for v in obj.data.vertices]
    return [Vector(min(p[i] for p in points) for i in range(3)),
            Vector(max(p[i] for p in points) for i in range(3))]


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def close(a, b):
    return all(math.isclose(x, y, abs_tol=TOLERANCE) for x, y in zip(a, b))


def press_as_the_interface_does(**properties):
    """A press and the undo step Blender's interface records after it; operators called
    from a background script record none."""
    pressed = bpy.ops.kestrum.align(**properties)
    bpy.ops.ed.undo_push(message="Kestrum")
    return pressed


def reports_of(call):
    """What a call printed: in the background Blender prints an operator's reports."""
    libc = ctypes.CDLL(None)
    libc.fflush(None)
    with tempfile.TemporaryFile() as printed:
        kept = os.dup(1)
        os.dup2(printed.fileno(), 1)
        try:
            call()
        finally:
            libc.fflush(None)
            os.dup2(kept, 1)
            os.close(kept)
        printed.seek(0)
        return printed.read().decode()


def set_axes(settings, **axes):
    for axis, (mode, side) in axes.items():
        setattr(settings, f"align_{axis}_mode", f"ALIGN_{axis.upper()}_MODE_{mode}")
        setattr(settings, f"align_{axis}_side", f"ALIGN_{axis.upper()}_SIDE_{side}")


def test_settings_start_from_the_tools_defaults():
    empty_scene()
    settings = bpy.context.scene.kestrum
    check([settings.align_x_mode, settings.align_z_side] ==
          ["ALIGN_X_MODE_NONE", "ALIGN_Z_SIDE_INSIDE"], "defaults")


def test_press_places_objects_on_a_turned_table_and_one_undo_restores_them():
    empty_scene()
    table = cube("Table", location=(1, 2, 0.5), scale=(2, 1, 0.5), turn=0.5)
    vase = cube("Vase", location=(5, 5, 0), lift=1.0)  # its origin at its base
    shelf = bpy.data.objects.new("Shelf", None)  # no geometry: a point
    bpy.context.scene.collection.objects.link(shelf)
    shelf.location, shelf.rotation_euler = (-3, 0, 0), (0, 0, math.pi / 2)
    book = cube("Book", location=(1, 0, 0), scale=(0.5, 0.5, 0.5), parent=shelf)
    select([vase, book])
    settings = bpy.context.scene.kestrum
    settings.align_reference = table
    set_axes(settings, x=("CENTER", "INSIDE"), y=("MINUS", "INSIDE"), z=("PLUS", "OUTSIDE"))
    bpy.context.scene.kestrum_placement.frame = "tool"
    before = {o.name: o.matrix_world.copy() for o in bpy.context.scene.objects}
    bpy.ops.ed.undo_push(message="before the press")
    check(press_as_the_interface_does(workflow="ALIGN_SELECTED") == {"FINISHED"}, "press")

    # In the table's frame its box is the cube -1..1.
    low, high = bounds(vase, table.matrix_world)
    check(close([(low.x + high.x) / 2, low.y, low.z], [0, -1, 1]), f"vase: {low} {high}")
    check(shelf.matrix_world == before["Shelf"], "the parent stays")
    # The tool places a child through its parent's frame: where the module places it in a
    # document built here by hand is where the add-on must have put it.
    with tool.kestrum.Plugin() as plugin:
        doc = plugin.new_document()
        reference = doc.add("Table", matrix=before["Table"], half_sizes=(1, 1, 1))
        parent = doc.add("Shelf", matrix=before["Shelf"])
        child = doc.add("Book", parent=parent, matrix=before["Shelf"].inverted() @ before["Book"],
                        half_sizes=(1, 1, 1), selected=True)
        doc.settings["reference"] = reference
        doc.settings["x"], doc.settings["y"], doc.settings["z"] = "center", "minus", "plus:outside"
        doc.press("align selected", frame="tool")
        check(close(sum(map(list, book.matrix_world), []), sum(child.world, ())), "book")
    bpy.ops.ed.undo()
    check(len(bpy.context.scene.objects) == len(before), "undo goes back one step")
    for obj in bpy.context.scene.objects:
        check(close(sum(map(list, obj.matrix_world), []), sum(map(list, before[obj.name]), [])),
              f"undo: {obj.name}")


def test_world_frame_keeps_each_objects_turn_scale_and_mirror():
    empty_scene()
    table = cube("Table", location=(1, 2, 0.5), scale=(2, 1, 0.4), turn=0.5)
    vase = cube("Vase", location=(5, 5, 3), scale=(0.3, 0.3, 0.6), turn=0.2)
    mirrored = cube("Mirrored", location=(-4, 0, 1), scale=(-1, 1, 1))
    select([table, vase, mirrored], active=table)
    settings = bpy.context.scene.kestrum
    settings.align_reference = table
    set_axes(settings, x=("CENTER", "INSIDE"), y=("CENTER", "INSIDE"), z=("PLUS", "OUTSIDE"))
    before = {o.name: o.matrix_world.copy() for o in bpy.context.scene.objects}
    bpy.ops.kestrum.align(workflow="ALIGN_SELECTED")
    check(table.matrix_world == before["Table"], "the selected reference stays")
    low, high = bounds(table)
    for obj in (vase, mirrored):
        check(close(sum(map(list, obj.matrix_world.to_3x3()), []),
                    sum(map(list, before[obj.name].to_3x3()), [])), f"{obj.name} keeps its axes")
        mine_low, mine_high = bounds(obj)
        check(close([(mine_low.x + mine_high.x) / 2, (mine_low.y + mine_high.y) / 2, mine_low.z],
                    [(low.x + high.x) / 2, (low.y + high.y) / 2, high.z]), f"{obj.name} on top")
    check(mirrored.matrix_world.determinant() < 0, "the mirror stays")


def test_a_child_parented_with_ctrl_p_is_placed_by_its_own_box():
    empty_scene()
    table = cube("Table", scale=(2, 2, 0.5))
    parent = cube("Parent", location=(5, 3, 1), scale=(1, 2, 1), turn=0.7)
    child = cube("Child", location=(8, -2, 4), size=(0.5, 0.5, 0.5), turn=0.3)
    select([child, parent], active=parent)
    bpy.ops.object.parent_set(type="OBJECT", keep_transform=True)  # what Ctrl+P does
    check(child.matrix_parent_inverse != Matrix(), "Ctrl+P keeps a parent inverse")
    select([child])
    settings = bpy.context.scene.kestrum
    settings.align_reference = table
    set_axes(settings, x=("CENTER", "INSIDE"), y=("CENTER", "INSIDE"), z=("PLUS", "OUTSIDE"))
    before = child.matrix_world.copy()
    bpy.ops.kestrum.align(workflow="ALIGN_SELECTED")
    low, high = bounds(table)
    mine_low, mine_high = bounds(child)
    check(close([(mine_low.x + mine_high.x) / 2, (mine_low.y + mine_high.y) / 2, mine_low.z],
                [(low.x + high.x) / 2, (low.y + high.y) / 2, high.z]), f"child: {mine_low}")
    check(close(sum(map(list, child.matrix_world.to_3x3()), []),
                sum(map(list, before.to_3x3()), [])), "the child keeps its axes")


def test_kestrum_agrees_with_blenders_align_relative_to_the_active_object():
    for blender_mode, mode, side in [("OPT_3", "PLUS", "INSIDE"), ("OPT_2", "CENTER", "INSIDE"),
                                     ("OPT_1", "MINUS", "INSIDE")]:
        empty_scene()
        base = cube("Base", location=(1, -2, 3), size=(3, 2, 1))
        movers = [cube(f"Box{i}", location=(4 * i, i, -i), size=(0.5 + i, 1, 0.25))
                  for i in range(3)]
        settings = bpy.context.scene.kestrum
        settings.align_reference = base
        set_axes(settings, **{a: (mode, side) for a in "xyz"})
        select(movers, active=base)
        bpy.ops.kestrum.align(workflow="ALIGN_SELECTED")
        by_kestrum = [o.matrix_world.translation.copy() for o in movers]
        for i, obj in enumerate(movers):
            obj.matrix_world = Matrix.Translation((4 * i, i, -i))
        select(movers + [base], active=base)
        bpy.ops.object.align(align_mode=blender_mode, relative_to="OPT_4",
                             align_axis={"X", "Y", "Z"})
        for obj, placed in zip(movers, by_kestrum):
            check(close(obj.matrix_world.translation, placed), f"{mode} {obj.name}")


def test_linked_objects_stay_and_a_failed_press_changes_nothing():
    empty_scene()
    library = os.path.join(tempfile.mkdtemp(), "library.blend")
    bpy.data.libraries.write(library, {cube("Statue")})
    bpy.data.objects.remove(bpy.data.objects["Statue"])
    with bpy.data.libraries.load(library, link=True) as (source, target):
        target.objects = ["Statue"]
    statue = target.objects[0]
    bpy.context.scene.collection.objects.link(statue)
    table, lamp = cube("Table"), cube("Lamp", location=(9, 0, 0))
    bpy.context.scene.kestrum.align_reference = table
    set_axes(bpy.context.scene.kestrum, x=("PLUS", "OUTSIDE"))
    select([statue, lamp])
    bpy.ops.kestrum.align(workflow="ALIGN_SELECTED")
    check(statue.matrix_world.translation == Vector(), "the linked object stays")
    check(close(lamp.matrix_world.translation, (2, 0, 0)), "the other one moves")

    # Under eight parents each 1e38 times larger the lamp is still in range, but its
    # placement in the tool's frame against a table as large is not: the press fails.
    bpy.context.scene.kestrum_placement.frame = "tool"
    holder = None
    for level in range(8):
        holder_below = bpy.data.objects.new(f"Level{level}", None)
        bpy.context.scene.collection.objects.link(holder_below)
        holder_below.scale, holder_below.parent, holder = (1e38,) * 3, holder, holder_below
    lamp.parent, lamp.location, table.scale = holder, (9, 0, 0), (1e38,) * 3
    bpy.context.view_layer.update()
    try:
        bpy.ops.kestrum.align(workflow="ALIGN_SELECTED")
        check(False, "the press should fail")
    except RuntimeError as error:  # how Blender passes on an operator's error report
        check("Kestrum: " in str(error) and "/Lamp' ended up" in str(error), str(error))
    check(lamp.location == Vector((9, 0, 0)), "the scene is untouched")


def test_reset_writes_the_tools_settings_back_into_the_scene():
    empty_scene()
    settings = bpy.context.scene.kestrum
    set_axes(settings, y=("PLUS", "OUTSIDE"))
    bpy.ops.kestrum.press(button="COMMAND_RESET")
    check(settings.align_y_mode == "ALIGN_Y_MODE_NONE", settings.align_y_mode)


def test_the_redo_panels_rerun_uses_its_own_settings_and_equals_a_fresh_press():
    def scene():
        empty_scene()
        table = cube("Table", location=(1, 2, 0.5), scale=(2, 1, 0.5), turn=0.4)
        boxes = [cube(f"Box{i}", location=(3 * i, -4, 2 + i), turn=0.1 * i) for i in range(3)]
        select(boxes + [table], active=table)
        bpy.ops.ed.undo_push(message="the scene")
        return boxes

    scene()
    set_axes(bpy.context.scene.kestrum, z=("PLUS", "OUTSIDE"))
    press_as_the_interface_does(workflow="ALIGN_SELECTED")
    bpy.ops.ed.undo()
    # Blender re-runs the press with every property set, the panel as it may be now.
    set_axes(bpy.context.scene.kestrum, x=("MINUS", "INSIDE"))
    tuned = dict(workflow="ALIGN_SELECTED", relative_to="FIELD", frame="reference",
                 gap=(0, 0, 0.25), hierarchy=False, stack_order="AXIS", distribute_axis="x",
                 spacing="EVEN", align_x_mode="ALIGN_X_MODE_CENTER",
                 align_x_side="ALIGN_X_SIDE_INSIDE", align_y_mode="ALIGN_Y_MODE_NONE",
                 align_y_side="ALIGN_Y_SIDE_INSIDE", align_z_mode="ALIGN_Z_MODE_PLUS",
                 align_z_side="ALIGN_Z_SIDE_OUTSIDE")
    bpy.ops.kestrum.align(**tuned)
    rerun = [bpy.data.objects[f"Box{i}"].matrix_world.copy() for i in range(3)]

    boxes = scene()
    settings, options = bpy.context.scene.kestrum, bpy.context.scene.kestrum_placement
    set_axes(settings, x=("CENTER", "INSIDE"), z=("PLUS", "OUTSIDE"))
    options.frame, options.gap = "reference", (0, 0, 0.25)
    bpy.ops.kestrum.align(workflow="ALIGN_SELECTED")
    for obj, matrix in zip(boxes, rerun):
        check(close(sum(map(list, obj.matrix_world), []), sum(map(list, matrix), [])),
              f"{obj.name}: the re-run equals a fresh press")


def test_references_and_workflows_place_the_drawn_boxes():
    def low(obj, axis):
        return bounds(obj)[0][axis]

    def high(obj, axis):
        return bounds(obj)[1][axis]

    def middle(obj, axis):
        return (low(obj, axis) + high(obj, axis)) / 2

    def spaced(row):  # each gap between neighbours beside the next
        gaps = [low(b, 1) - high(a, 1) for a, b in zip(row, row[1:])]
        return list(zip(gaps, gaps[1:]))

    # (what, panel settings, workflow, checks on (table, boxes) each giving two numbers)
    cases = [
        ("active object", dict(z=("PLUS", "OUTSIDE")), "ALIGN_SELECTED",
         lambda t, b: [(low(o, 2), high(t, 2)) for o in b]),
        ("3D cursor", dict(x=("CENTER", "INSIDE"), relative_to="CURSOR"), "ALIGN_SELECTED",
         lambda t, b: [(middle(o, 0), 3.0) for o in b]),
        ("world origin", dict(z=("MINUS", "OUTSIDE"), relative_to="ORIGIN"), "ALIGN_SELECTED",
         lambda t, b: [(high(o, 2), 0.0) for o in b]),
        ("selection's box", dict(z=("MINUS", "INSIDE"), relative_to="SELECTION"),
         "ALIGN_SELECTED", lambda t, b: [(low(o, 2), low(t, 2)) for o in b]),
        ("gap", dict(z=("PLUS", "OUTSIDE"), gap=(0, 0, 0.5)), "ALIGN_SELECTED",
         lambda t, b: [(low(o, 2), high(t, 2) + 0.5) for o in b]),
        ("stack", dict(z=("PLUS", "OUTSIDE")), "STACK",
         lambda t, b: [(low(b[0], 2), high(t, 2)), (low(b[1], 2), high(b[0], 2)),
                       (low(b[2], 2), high(b[1], 2))]),
        ("group", dict(z=("PLUS", "OUTSIDE")), "GROUP",
         lambda t, b: [(min(low(o, 2) for o in b), high(t, 2)),
                       (low(b[2], 2) - low(b[0], 2), 4.0)]),
        ("distribute", dict(distribute_axis="y"), "DISTRIBUTE",
         lambda t, b: spaced(sorted(b + [t], key=lambda o: low(o, 1)))),
    ]
    for what, panel, workflow, checks in cases:
        empty_scene()
        table = cube("Table", location=(1, 2, 0.5), scale=(2, 1, 0.5), turn=0.4)
        boxes = [cube(f"Box{i}", location=(3 * i, 4 * i * i - 4, 2 + 2 * i), turn=0.3 * i,
                      size=(0.5, 0.5 + i / 4, 0.5)) for i in range(3)]
        bpy.context.scene.cursor.location = (3, 4, 5)
        select(boxes + [table], active=table)
        options = bpy.context.scene.kestrum_placement
        for name, value in panel.items():
            if name in "xyz":
                set_axes(bpy.context.scene.kestrum, **{name: value})
            else:
                setattr(options, name, value)
        check(bpy.ops.kestrum.align(workflow=workflow) == {"FINISHED"}, what)
        for got, wanted in checks(table, boxes):
            check(math.isclose(got, wanted, abs_tol=TOLERANCE), f"{what}: {got} != {wanted}")


def test_boxes_hold_instances_text_and_children():
    empty_scene()
    table = cube("Table", scale=(2, 2, 0.5))
    library = bpy.data.collections.new("Props")
    prop = cube("Prop", location=(0.4, 0, 0))
    bpy.context.scene.collection.objects.unlink(prop)
    library.objects.link(prop)
    holder = bpy.data.objects.new("Holder", None)
    holder.instance_type, holder.instance_collection = "COLLECTION", library
    bpy.context.scene.collection.objects.link(holder)
    holder.location = (5, 5, 5)
    text = bpy.data.objects.new("Sign", bpy.data.curves.new("Sign", type="FONT"))
    bpy.context.scene.collection.objects.link(text)
    text.location = (-5, 0, 3)
    parent = cube("Parent", location=(0, -6, 4))
    child = cube("Child", location=(0, 0, -3), parent=parent)  # hangs under its parent
    select([holder, text], active=table)
    set_axes(bpy.context.scene.kestrum, x=("CENTER", "INSIDE"), z=("PLUS", "OUTSIDE"))
    bpy.ops.kestrum.align(workflow="ALIGN_SELECTED")
    check(close(holder.matrix_world.translation, (-0.4, 5, 1.5)), f"the instanced prop: {holder.location}")
    sign = [text.matrix_world @ Vector(c) for c in text.evaluated_get(
        bpy.context.evaluated_depsgraph_get()).bound_box]
    check(math.isclose(min(c.z for c in sign), 0.5, abs_tol=TOLERANCE), "the text's bounds")
    select([parent], active=table)
    bpy.context.scene.kestrum_placement.hierarchy = True
    bpy.ops.kestrum.align(workflow="ALIGN_SELECTED")
    check(math.isclose(bounds(child)[0].z, 0.5, abs_tol=TOLERANCE), f"the hierarchy: {bounds(child)} {bounds(parent)}")


def test_a_press_with_nothing_to_do_says_why():
    cases = [
        ("no object is selected", lambda table, box: select([], active=table)),
        ("no reference is linked", lambda table, box: select([box])),
        ("no axis is chosen", lambda table, box: set_axes(bpy.context.scene.kestrum,
                                                          z=("NONE", "INSIDE"))),
        ("only the reference is selected", lambda table, box: select([table], active=table)),
    ]
    for why, setup in cases:
        empty_scene()
        table, box = cube("Table"), cube("Box", location=(4, 0, 0))
        select([box], active=table)
        set_axes(bpy.context.scene.kestrum, z=("PLUS", "OUTSIDE"))
        setup(table, box)
        printed = reports_of(lambda: bpy.ops.kestrum.align(workflow="ALIGN_SELECTED"))
        check(f"Kestrum: nothing moved: {why}" in printed, f"{why}: {printed!r}")
        check(box.matrix_world.translation == Vector((4, 0, 0)), why)


def test_a_scripts_plugin_lives_beside_the_addons():
    import kestrum  # what a user's script in Blender imports: the add-on's own module

    empty_scene()
    table, box = cube("Table"), cube("Box", location=(4, 0, 0))
    select([box], active=table)
    set_axes(bpy.context.scene.kestrum, z=("PLUS", "OUTSIDE"))
    with kestrum.Plugin() as plugin:
        doc = plugin.new_document("script's")
        shelf = doc.add("Shelf", half_sizes=(1, 1, 1))
        book = doc.add("Book", half_sizes=(1, 1, 1), selected=True)
        doc.settings["reference"], doc.settings["x"] = shelf, "plus:outside"
        check(bpy.ops.kestrum.align(workflow="ALIGN_SELECTED") == {"FINISHED"}, "the add-on")
        check(doc.press("align selected").summary == "1 object moved", "the script")
        check(book.world[0][3] == 2, "the script's press")
    check(math.isclose(box.matrix_world.translation.z, 2), "the add-on's press")
    box.location.z = 7
    bpy.ops.kestrum.align(workflow="ALIGN_SELECTED")
    check(math.isclose(box.location.z, 2), "the add-on after the script's plug-in closed")


for name, test in list(globals().items()):
    if name.startswith("test_"):
        test()
        print("passed:", name)
