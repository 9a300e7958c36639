"""Kestrum, the object alignment tool, from Python: load the plug-in, open or build a
document, set the tool's settings, press its buttons, undo, redo and save.

    import kestrum
    with kestrum.Plugin() as plugin:
        doc = plugin.open("scene.json")
        doc.settings["y"] = "plus:outside"
        print(doc.press("align object").summary)
"""

from typing import Literal, Sequence, Union

from ._kestrum import Document, InputError, Object, Plugin, PluginFailure, PressResult, Settings

Matrix = Sequence[Sequence[float]]
"""Four rows of four numbers, the offset in the last column, the bottom row 0 0 0 1."""
MatrixTuple = tuple[tuple[float, float, float, float], tuple[float, float, float, float],
                    tuple[float, float, float, float], tuple[float, float, float, float]]
Frame = Literal["world", "reference", "tool"]
"""How a press shows the objects to the tool (Document.frame)."""
Gap = Union[float, Sequence[float]]
"""One number for every axis, or three (x, y, z)."""

__all__ = ["Document", "Frame", "Gap", "InputError", "Matrix", "MatrixTuple", "Object", "Plugin",
           "PluginFailure", "PressResult", "Settings"]

# Shown as the package's own, where people look for them.
for _name in ["Document", "InputError", "Object", "Plugin", "PluginFailure", "PressResult",
              "Settings"]:
    globals()[_name].__module__ = __name__
del _name
