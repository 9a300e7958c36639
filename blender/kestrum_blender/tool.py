"""The kestrum module, shipped beside the add-on or found on Python's path, and what the
plug-in registered: its panel and its own default settings."""

import functools

try:
    from . import kestrum
except ImportError:
    import kestrum


@functools.lru_cache(maxsize=None)
def _registered():
    with kestrum.Plugin() as plugin:
        defaults = plugin.new_document("defaults")
        groups = plugin.panel
        values = {c["id"]: defaults.control(c["id"]) for g in groups for c in g["controls"]
                  if c["kind"] in ("choice", "flag")}
        return plugin.name, groups, values


def panel_layout():
    """The panel's groups of controls (see kestrum.Plugin.panel)."""
    return _registered()[1]


def tool_name():
    return _registered()[0]


def default_value(control_id):
    """The value the tool's own defaults give a choice or flag."""
    return _registered()[2][control_id]


def property_name(control):
    """The name of the Blender property that holds a control's value."""
    return control["name"].lower()
