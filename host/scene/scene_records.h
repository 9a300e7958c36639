#pragma once
// The host's records behind the opaque document and object handles. Only the scene's
// own files look inside them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "c4d_host_abi.h"
#include "scene_object_state.h"
#include "scene_undo.h"

// What every operation of a press reads comes first, then the state, then what only the
// hierarchy and the labels use.
struct HostObject {
  HostDocument* document = nullptr;
  HostObject* parent = nullptr;
  int32_t kind = kObjectKindObject;
  // A deleted object keeps its record so that handles held elsewhere stay readable.
  bool alive = true;
  khost::ObjectState state{};
  // The world matrix cache of an object with a parent, in the Scene's store; none for a
  // top-level object, whose world matrix is `local`.
  khost::ChildWorldCache* world = nullptr;
  khost::ObjectId id = 0;
  // Hierarchy: ordered children as a doubly linked sibling list.
  HostObject* firstChild = nullptr;
  HostObject* lastChild = nullptr;
  HostObject* previous = nullptr;
  HostObject* next = nullptr;
  std::string name;
};

struct HostDocument {
  std::string name;
  HostObject* firstTopLevel = nullptr;
  HostObject* lastTopLevel = nullptr;
  size_t liveObjects = 0;
  size_t selectedObjects = 0;
  // Raised whenever the selected objects or their order may have changed.
  uint64_t selectionVersion = 1;
  // The selected objects in document order as of `selectionCacheVersion`: repeated
  // requests for an unchanged selection are handed this instead of walking the tree.
  // Shared with the object arrays it was handed to, and then not changed but replaced.
  std::shared_ptr<std::vector<HostObject*>> selectionCache =
      std::make_shared<std::vector<HostObject*>>();
  uint64_t selectionCacheVersion = 0;
  khost::UndoHistory undo;
};
