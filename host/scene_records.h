#pragma once
// The host's records behind the opaque document and object handles. Only the scene's
// own files look inside them.

#include <string>

#include "c4d_host_abi.h"
#include "scene_object_state.h"
#include "scene_undo.h"

struct HostObject {
  khost::ObjectId id = 0;
  HostDocument* document = nullptr;
  // Hierarchy: ordered children as a doubly linked sibling list.
  HostObject* parent = nullptr;
  HostObject* firstChild = nullptr;
  HostObject* lastChild = nullptr;
  HostObject* previous = nullptr;
  HostObject* next = nullptr;
  std::string name;
  int32_t kind = kObjectKindObject;
  // A deleted object keeps its record so that handles held elsewhere stay readable.
  bool alive = true;
  khost::ObjectState state{};
  // Scene generation at which the world cache was last confirmed up to date.
  uint64_t checkedGeneration = 0;
};

struct HostDocument {
  std::string name;
  HostObject* firstTopLevel = nullptr;
  HostObject* lastTopLevel = nullptr;
  size_t liveObjects = 0;
  size_t selectedObjects = 0;
  khost::UndoHistory undo;
};
