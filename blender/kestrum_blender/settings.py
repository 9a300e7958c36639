"""The tool's settings kept with the Blender scene: a property per panel control, made
from the panel the plug-in registered and starting from the tool's own defaults; and the
add-on's own choices for a press (frame, gap, what it is relative to, the workflows'
options), which the press operator also carries for the redo panel."""

import bpy

from . import tool

_group = None
_press_group = None

_FRAMES = [
    ("world", "World boxes", "Each object moves by its box in world axes, its rotation and "
     "scale kept; the reference never moves"),
    ("reference", "Reference's axes", "Boxes along the reference's axes; each object takes its "
     "orientation and keeps its scale"),
    ("tool", "Tool's own", "The tool's own frames: positions in parent frames, the reference's "
     "rotation and scale taken"),
]
RELATIVE_TO = [
    ("FIELD", "Reference or active", "The panel's reference object; the active object when the "
     "field is empty"),
    ("ACTIVE", "Active object", "The object clicked last"),
    ("CURSOR", "3D cursor", "The 3D cursor, a point"),
    ("ORIGIN", "World origin", "The world's origin, a point"),
    ("SELECTION", "Selection", "The box around every selected object"),
]
_STACK_ORDERS = [
    ("AXIS", "Along the axis", "In the order the objects sit along the stacking axis, the "
     "nearest to the reference first"),
    ("SELECTION", "Selection order", "In the order the objects were clicked; the others "
     "after them, along the axis"),
]
_AXES = [("x", "X", "Along X"), ("y", "Y", "Along Y"), ("z", "Z", "Along Z")]
_SPACINGS = [
    ("EVEN", "Even", "The two outermost stay; the gaps between neighbours are made equal"),
    ("GAP", "By the gap", "The lowest stays; each next one sits the gap's distance after the "
     "one before"),
]


def press_properties(options=frozenset({"ANIMATABLE"})):
    """The add-on's own settings of a press, by property name, each with `options`."""
    properties = {
        "frame": bpy.props.EnumProperty(name="Frame", items=_FRAMES, default="world"),
        "gap": bpy.props.FloatVectorProperty(
            name="Gap", size=3, subtype="XYZ", default=(0.0, 0.0, 0.0),
            description="Outside, the faces are this far apart; inside, this far in from the "
            "reference's face; center, shifted by it"),
        "relative_to": bpy.props.EnumProperty(name="Relative to", items=RELATIVE_TO,
                                              default="FIELD"),
        "hierarchy": bpy.props.BoolProperty(
            name="Include children", default=False,
            description="An object's box holds its children's too, and they move with it"),
        "stack_order": bpy.props.EnumProperty(name="Stack order", items=_STACK_ORDERS,
                                              default="AXIS"),
        "distribute_axis": bpy.props.EnumProperty(name="Spacing axis", items=_AXES, default="x"),
        "spacing": bpy.props.EnumProperty(name="Spacing", items=_SPACINGS, default="EVEN"),
    }
    for prop in properties.values():
        prop.keywords["options"] = set(options)
    return properties


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


def value_properties(layout, options):
    """A property per choice and flag of the panel, each with `options`: what the press
    operator carries."""
    properties = {tool.property_name(c): _property(c) for c in controls(layout, ("choice", "flag"))}
    for prop in properties.values():
        prop.keywords["options"] = set(options)
    return properties


def register(layout):
    global _group, _press_group
    annotations = {tool.property_name(c): _property(c) for c in controls(layout)}
    _group = type("KestrumSettings", (bpy.types.PropertyGroup,), {"__annotations__": annotations})
    bpy.utils.register_class(_group)
    bpy.types.Scene.kestrum = bpy.props.PointerProperty(type=_group)
    _press_group = type("KestrumPlacement", (bpy.types.PropertyGroup,),
                        {"__annotations__": press_properties()})
    bpy.utils.register_class(_press_group)
    bpy.types.Scene.kestrum_placement = bpy.props.PointerProperty(type=_press_group)


def unregister():
    del bpy.types.Scene.kestrum_placement
    bpy.utils.unregister_class(_press_group)
    del bpy.types.Scene.kestrum
    bpy.utils.unregister_class(_group)


def write(values, document, links, layout):
    """`values` (the scene's settings or a press's) into the document's settings; `links`
    gives the document's object for each link control's name (None: unset)."""
    for control in controls(layout):
        name = tool.property_name(control)
        if control["kind"] == "link":
            value = links.get(name)
        else:
            value = getattr(values, name)
            if control["kind"] == "choice":
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
