"""A press of one of the tool's buttons as one Blender undo step: the objects that matter
mirrored into a host document, the press made there, and the moved objects' matrices
written back. A press that fails changes nothing and says why in the status bar."""

import bpy
from mathutils import Matrix

from . import mirror, settings, tool
from .tool import kestrum


def _linked_objects(scene_settings, layout):
    return [getattr(scene_settings, tool.property_name(c))
            for c in settings.controls(layout, ("link",))]


class KESTRUM_OT_press(bpy.types.Operator):
    """Press a button of the Kestrum tool"""

    bl_idname = "kestrum.press"
    bl_label = "Kestrum"
    bl_options = {"REGISTER", "UNDO"}

    button: bpy.props.IntProperty(name="Button", description="The button's id in the panel")

    @classmethod
    def description(cls, context, properties):
        return next((c["label"] for c in settings.controls(tool.panel_layout(), ("button",))
                     if c["id"] == properties.button), cls.__doc__)

    def execute(self, context):
        layout = tool.panel_layout()
        scene_settings = context.scene.kestrum
        try:
            with kestrum.Plugin() as plugin:
                document = plugin.new_document(context.scene.name)
                mirrored = mirror.mirror(document, context.selected_objects,
                                         _linked_objects(scene_settings, layout))
                settings.write(scene_settings, document, mirrored, layout)
                placement = context.scene.kestrum_placement
                result = document.press(self.button, check_undo=True,
                                        frame=placement.frame, gap=tuple(placement.gap))
                blender_object = {k: b for b, k in mirrored.items()}
                moves = [(blender_object[k], Matrix(k.world)) for k in result.moved]
                settings.read(scene_settings, document, blender_object, layout)
        except (kestrum.InputError, kestrum.PluginFailure) as error:
            self.report({"ERROR"}, f"{tool.tool_name()}: {error}")
            return {"CANCELLED"}
        locked = [obj.name_full for obj, _ in moves if obj.library is not None]
        for obj, world in moves:
            if obj.library is None:
                obj.matrix_world = world
        for page in result.opened:
            bpy.ops.wm.url_open(url=page if "://" in page else "file://" + page)
        for message in result.messages:
            self.report({"INFO"}, f"{tool.tool_name()}: {message}")
        if locked:
            self.report({"WARNING"}, f"{tool.tool_name()}: not moved, linked from a library: "
                        + ", ".join(locked))
        return {"FINISHED"}


def register():
    bpy.utils.register_class(KESTRUM_OT_press)


def unregister():
    bpy.utils.unregister_class(KESTRUM_OT_press)
