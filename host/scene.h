#pragma once
// Documents, their objects (hierarchy, transforms, bounding boxes, selection), undo,
// object arrays and object messages.
// (being written: the members below are the interface other services rely on)

#include <cstdint>

#include "c4d_host_abi.h"

namespace khost {

// Stable identity of a scene object; never reused within one Scene.
using ObjectId = uint64_t;

class Scene {
 public:
  Scene();
  ~Scene();

  // The object with this id when it is alive, belongs to `document` and is of `kind`;
  // otherwise nullptr. Settings containers resolve their object links with it.
  HostObject* FindLiveObject(HostDocument* document, ObjectId id, int32_t kind);
  // The id of a live object (0 for nullptr or an unknown handle).
  ObjectId IdOf(HostObject* object) const;
};

}  // namespace khost
