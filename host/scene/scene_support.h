#pragma once
// Small pieces the scene's files share: the misuse report with the operation's name,
// and the walk through objects in document order.

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "host.h"
#include "misuse.h"
#include "scene.h"
#include "scene_records.h"

namespace khost {

// Objects are never moved to another parent, so a top-level object stays one and needs
// neither a copy of its matrix nor a walk, only a stamp for its children.
inline const HostMatrix& Scene::World(HostObject* object) {
  if (object->parent == nullptr) [[likely]] {
    if (object->state.worldStamp == 0) [[unlikely]]
      StampTopLevel(object);
    return object->state.local;
  }
  return ChildWorld(object);
}

inline const HostMatrix& Scene::LiveWorldMatrix(HostObject* live) { return World(live); }

inline void Report(const char* operation, const std::string& what) {
  Host::Current().misuse().Report(std::string(operation) + ": " + what);
}

// Room for at least `size` elements. Grows at least geometrically, so that many small
// expectations in a row do not reallocate on each one.
template <typename Element>
void ReserveAtLeast(std::vector<Element>& storage, size_t size) {
  if (size > storage.capacity()) storage.reserve(std::max(size, 2 * storage.capacity()));
}

// Pre-order successor within the subtree under `root` (the whole document when null).
inline HostObject* NextInOrder(HostObject* object, const HostObject* root) {
  if (object->firstChild != nullptr) return object->firstChild;
  while (object != nullptr && object != root) {
    if (object->next != nullptr) return object->next;
    object = object->parent;
  }
  return nullptr;
}

}  // namespace khost
