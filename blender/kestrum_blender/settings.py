"""The tool's settings kept with the Blender scene: a property per panel control, made
from the panel the plug-in registered and starting from the tool's own defaults."""

import bpy

from . import tool

_group = None
_FRAMES = [
    ("world", "World boxes", "Each object moves by its box in world axes, its rotation and "
     "scale kept; the reference never moves"),
    ("reference", "Reference's axes", "Boxes along the reference's axes; each object takes its "
     "orientation and keeps its scale"),
    ("tool", "Tool's own", "The tool's own frames: positions in parent frames, the reference's "
     "rotation and scale taken"),
]


class KestrumPlacement(bpy.types.PropertyGroup):
    """How a press shows the objects to the tool: beside its panel, not in it."""

    frame: bpy.props.EnumProperty(name="Frame", items=_FRAMES, default="world")
    gap: bpy.props.FloatVectorProperty(
        name="Gap", size=3, subtype="XYZ", default=(0.0, 0.0, 0.0),
        description="Outside, the faces are this far apart; inside, this far in from the "
        "reference's face; center, shifted by it")


def _property(control):
    label = control["label"]
    if control["kind"] == "link":
        return bpy.props.PointerProperty(name=label, type=bpy.types.Object)
    if control["kind"] == "choice":
        items = [(v["name"], v["label"], v["label"]) for v in control["values"]]
        default = tool.default_value(control["id"])
        chosen = next(v["name"] for v in control["values"] if v["id"] == default)
        return bpy.props.EnumProperty(name=label, items=items, default=chosen)
    return bpy.props.BoolProperty(name=label, default=tool.default_value(control["id"]))


def controls(layout, kinds=("link", "choice", "flag")):
    return [c for g in layout for c in g["controls"] if c["kind"] in kinds]


def register(layout):
    global _group
    annotations = {tool.property_name(c): _property(c) for c in controls(layout)}
    _group = type("KestrumSettings", (bpy.types.PropertyGroup,), {"__annotations__": annotations})
    bpy.utils.register_class(_group)
    bpy.types.Scene.kestrum = bpy.props.PointerProperty(type=_group)
    bpy.utils.register_class(KestrumPlacement)
    bpy.types.Scene.kestrum_placement = bpy.props.PointerProperty(type=KestrumPlacement)


def unregister():
    del bpy.types.Scene.kestrum_placement
    bpy.utils.unregister_class(KestrumPlacement)
    del bpy.types.Scene.kestrum
    bpy.utils.unregister_class(_group)


def write(scene_settings, document, mirrored, layout):
    """The scene's settings into the document's; links to objects not mirrored unset."""
    for control in controls(layout):
        value = getattr(scene_settings, tool.property_name(control))
        if control["kind"] == "link":
            value = mirrored.get(value) if value is not None else None
        elif control["kind"] == "choice":
            value = next(v["id"] for v in control["values"] if v["name"] == value)
        document.set_control(control["id"], value)


def read(scene_settings, document, blender_object, layout):
    """The document's settings (as a reset left them) back into the scene's."""
    for control in controls(layout):
        value = document.control(control["id"])
        if control["kind"] == "link":
            value = blender_object.get(value) if value is not None else None
        elif control["kind"] == "choice":
            value = next(v["name"] for v in control["values"] if v["id"] == value)
        if getattr(scene_settings, tool.property_name(control)) != value:
            setattr(scene_settings, tool.property_name(control), value)
