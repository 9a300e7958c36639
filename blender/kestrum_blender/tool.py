"""The kestrum module, shipped beside the add-on or found on Python's path; the one
plug-in the add-on keeps loaded for the Blender session; and what the plug-in registered:
its panel, its strings and its own default settings."""

import functools
import sys

try:
    from . import kestrum
except ImportError:
    import kestrum

_plugin = None


def plugin():
    """The session's plug-in, loaded on first use. A script's kestrum.Plugin() shares
    this load, so both live side by side."""
    global _plugin
    if _plugin is None:
        _plugin = kestrum.Plugin()
    return _plugin


def expose_module():
    """Lets scripts in Blender `import kestrum` and reach the module the add-on ships,
    unless one is importable already."""
    if "kestrum" not in sys.modules:
        try:
            import importlib.util
            if importlib.util.find_spec("kestrum") is not None:
                return
        except ValueError:
            return
        sys.modules["kestrum"] = kestrum


def close():
    global _plugin
    if _plugin is not None:
        _plugin.close()
        _plugin = None
    _registered.cache_clear()


@functools.lru_cache(maxsize=None)
def _registered():
    defaults = plugin().new_document("defaults")
    groups = plugin().panel
    values = {c["id"]: defaults.control(c["id"]) for g in groups for c in g["controls"]
              if c["kind"] in ("choice", "flag")}
    return plugin().name, groups, values, plugin().help


def panel_layout():
    """The panel's groups of controls (see kestrum.Plugin.panel)."""
    return _registered()[1]


def tool_name():
    return _registered()[0]


def tool_help():
    """The tool's own one-line description."""
    return _registered()[3]


def default_value(control_id):
    """The value the tool's own defaults give a choice or flag."""
    return _registered()[2][control_id]


def property_name(control):
    """The name of the Blender property that holds a control's value."""
    return control["name"].lower()


def button_id(name):
    """The id of the panel button with this name ("ALIGN_SELECTED")."""
    return next(c["id"] for g in panel_layout() for c in g["controls"] if c["name"] == name)


def button_label(name):
    return next(c["label"] for g in panel_layout() for c in g["controls"] if c["name"] == name)
