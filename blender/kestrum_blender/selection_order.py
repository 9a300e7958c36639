"""The order objects were clicked in, as far as Blender tells: each click makes an
object the active one, so the add-on notes when each became active. Objects never made
active (box or all selection) have no place in that order."""

import itertools

import bpy
from bpy.app.handlers import persistent

_clicks = itertools.count()
_last_active = {}  # object's address: the click that made it active
_owner = object()


def _active_changed():
    obj = bpy.context.view_layer.objects.active
    if obj is not None:
        _last_active[obj.as_pointer()] = next(_clicks)


def in_click_order(objects):
    """Those of `objects` that were made active, in that order; then the others."""
    clicked = sorted((o for o in objects if o.as_pointer() in _last_active),
                     key=lambda o: _last_active[o.as_pointer()])
    return clicked, [o for o in objects if o.as_pointer() not in _last_active]


def _subscribe():
    bpy.msgbus.subscribe_rna(key=(bpy.types.LayerObjects, "active"), owner=_owner, args=(),
                             notify=_active_changed)


@persistent
def _file_loaded(_):
    # Loading a file drops every subscription, and the objects noted are gone.
    _last_active.clear()
    _subscribe()


def register():
    _subscribe()
    bpy.app.handlers.load_post.append(_file_loaded)


def unregister():
    bpy.app.handlers.load_post.remove(_file_loaded)
    bpy.msgbus.clear_by_owner(_owner)
    _last_active.clear()
