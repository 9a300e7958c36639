#pragma once
// A scene file's objects as a reader meets them, in file order, before objects that name
// a parent are moved under it; and the checks every reader shares once the file's
// syntax and schema are known to be right.

#include <array>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scene_model.h"

namespace kcommand {

struct ReadObject {
  SceneObject object;  // without children; its place in the file set
  std::vector<size_t> children;
  std::optional<std::string> parentName;
  std::optional<size_t> parent;
};

struct ReadScene {
  std::string comment;
  // Depth first, each before its children. A deque: a million objects grow it without
  // copying them, or holding old and new storage at once.
  std::deque<ReadObject> objects;
  std::vector<size_t> topLevel;
  ToolSettings tool;
};

// Appends `object` under `parent` (none: top level) and returns its index.
size_t AddReadObject(ReadScene& scene, ReadObject object, std::optional<size_t> parent);

// A scene as the quick reader read it: the objects in their tree as the file nests them,
// checked against the schema but not yet for what a schema cannot say.
struct QuickScene {
  SceneModel scene;
  // Top-level objects (index in scene.objects) that name a parent, with the name.
  std::vector<std::pair<size_t, std::string>> namedParents;
};

// The scene the objects make: half sizes not negative, named parents that exist once and
// form no cycle, nesting within kMaxObjectNesting, tool names that resolve. Throws
// InputError naming `fileName`, the place and the problem. Empties `read`.
SceneModel AssembleScene(ReadScene& read, const std::string& fileName);
// The same checks on a scene the quick reader read, nested as the file nests it.
SceneModel AssembleScene(QuickScene& read, const std::string& fileName);

// Resolves the tool settings' object names against the scene; throws InputError naming
// the file and the setting when one does not resolve.
void CheckToolNames(SceneModel& scene, const std::string& fileName);

}  // namespace kcommand
