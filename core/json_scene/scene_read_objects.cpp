#include "scene_read_objects.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "input_error.h"

namespace kcommand {
namespace {

// Where object `index` of the flat listing was read.
std::string SourceIn(const std::deque<ReadObject>& read, size_t index) {
  return SourceOf(
      PlaceNotation::kJsonPointer, index,
      [&](size_t i) -> const SceneObject& { return read[i].object; },
      [&](size_t i) { return read[i].parent; });
}

void CheckHalfSizes(const std::deque<ReadObject>& read, size_t index, const std::string& fileName) {
  const SceneObject& object = read[index].object;
  for (size_t axis = 0; axis < 3; ++axis)
    if (object.halfSize[axis] < 0)
      throw InputError(fileName + ": " + SourceIn(read, index) + "/halfSize/" +
                       std::to_string(axis) + ": object '" + object.name +
                       "' has a negative half size " + std::string(1, kAxisLetters[axis]) +
                       " (zero, a flat box, is the least)");
}

// Lists `object` and everything below it, depth first, as a reader of flat files would.
void Flatten(SceneObject& object, std::optional<size_t> parent,
             std::optional<std::string> parentName, ReadScene& read) {
  std::vector<SceneObject> children = std::move(object.children);
  ReadObject each{std::move(object), {}, std::move(parentName), {}};
  const size_t index = AddReadObject(read, std::move(each), parent);
  for (SceneObject& child : children) Flatten(child, index, std::nullopt, read);
}

// Refuses parent chains that come back to where they started, and objects nested deeper
// than kMaxObjectNesting. Each object is walked up once (the chain stops at an object
// already checked), so a long flat chain of named parents costs linear time.
void CheckParentChains(const std::deque<ReadObject>& read, const std::string& fileName) {
  constexpr size_t kUnvisited = 0;
  constexpr size_t kOnChain = static_cast<size_t>(-1);
  std::vector<size_t> depth(read.size(), kUnvisited);  // levels from the top, 1 for top level
  std::vector<size_t> chain;
  for (size_t start = 0; start < read.size(); ++start) {
    chain.clear();
    size_t above = 0;
    for (std::optional<size_t> at = start; at; at = read[*at].parent) {
      if (depth[*at] == kOnChain) {
        // A cycle: name it from its first object in file order.
        const auto from = std::find(chain.begin(), chain.end(), *at);
        const size_t first = *std::min_element(from, chain.end());
        std::string names = read[first].object.name;
        size_t link = first;
        do {
          link = *read[link].parent;
          names += " -> " + read[link].object.name;
        } while (link != first);
        throw InputError(fileName + ": " + SourceIn(read, first) +
                         "/parent: the parents form a cycle: " + names);
      }
      if (depth[*at] != kUnvisited) {
        above = depth[*at];
        break;
      }
      depth[*at] = kOnChain;
      chain.push_back(*at);
    }
    for (auto each = chain.rbegin(); each != chain.rend(); ++each) {
      depth[*each] = ++above;
      if (above > kMaxObjectNesting)
        throw InputError(fileName + ": " + SourceIn(read, *each) + ": object '" +
                         read[*each].object.name + "' lies " + std::to_string(above) +
                         " levels deep (through children and parents); a scene may nest " +
                         std::to_string(kMaxObjectNesting) + " levels");
    }
  }
}

// Moves every top-level object that names a parent under it, refusing names that
// resolve to no object or several, and parent chains that come back to where they
// started.
void AttachNamedParents(std::deque<ReadObject>& read, const std::string& fileName) {
  const bool anyNamed =
      std::any_of(read.begin(), read.end(), [](const ReadObject& each) { return each.parentName; });
  if (anyNamed) {
    // Each name's first object and how many objects have it.
    std::unordered_map<std::string_view, std::pair<size_t, size_t>> byName;
    byName.reserve(read.size());
    for (size_t i = 0; i < read.size(); ++i) {
      const auto [entry, added] = byName.try_emplace(read[i].object.name, i, 0);
      ++entry->second.second;
    }
    for (size_t i = 0; i < read.size(); ++i) {
      if (!read[i].parentName) continue;
      const std::string& name = *read[i].parentName;
      const std::string place = fileName + ": " + SourceIn(read, i) + "/parent: ";
      const auto found = byName.find(name);
      if (found == byName.end()) throw InputError(place + "no object is named '" + name + "'");
      const auto [parent, count] = found->second;
      if (count > 1)
        throw InputError(place + "the parent name '" + name +
                         "' is ambiguous: " + std::to_string(count) +
                         " objects have it, and a parent must be named uniquely");
      read[i].parent = parent;
      read[parent].children.push_back(i);
    }
  }
  CheckParentChains(read, fileName);
}

SceneObject Assemble(std::deque<ReadObject>& read, size_t index) {
  SceneObject object = std::move(read[index].object);
  object.children.reserve(read[index].children.size());
  for (size_t child : read[index].children) object.children.push_back(Assemble(read, child));
  return object;
}

}  // namespace

size_t AddReadObject(ReadScene& scene, ReadObject object, std::optional<size_t> parent) {
  const size_t index = scene.objects.size();
  object.parent = parent;
  scene.objects.push_back(std::move(object));
  if (parent)
    scene.objects[*parent].children.push_back(index);
  else
    scene.topLevel.push_back(index);
  return index;
}

SceneModel AssembleScene(ReadScene& read, const std::string& fileName) {
  for (size_t i = 0; i < read.objects.size(); ++i) CheckHalfSizes(read.objects, i, fileName);
  AttachNamedParents(read.objects, fileName);
  SceneModel scene;
  scene.comment = std::move(read.comment);
  size_t topLevelCount = 0;
  for (size_t index : read.topLevel) topLevelCount += read.objects[index].parent ? 0 : 1;
  scene.objects.reserve(topLevelCount);
  for (size_t index : read.topLevel)
    if (!read.objects[index].parent) scene.objects.push_back(Assemble(read.objects, index));
  scene.tool = std::move(read.tool);
  read = ReadScene();
  CheckToolNames(scene, fileName);
  return scene;
}

SceneModel AssembleScene(QuickScene& read, const std::string& fileName) {
  SceneModel& scene = read.scene;
  if (read.namedParents.empty()) {
    // Nested only as the text nests it, which the quick reader keeps within the JSON
    // nesting limit, so no object lies deeper than kMaxObjectNesting; and it takes no
    // negative half size.
    SceneModel checked = std::move(scene);
    read = QuickScene();
    CheckToolNames(checked, fileName);
    return checked;
  }
  // Objects that name a parent move under it: the flat listing does that.
  ReadScene flat;
  flat.comment = std::move(scene.comment);
  flat.tool = std::move(scene.tool);
  std::vector<std::optional<std::string>> parentNames(scene.objects.size());
  for (auto& [index, name] : read.namedParents) parentNames[index] = std::move(name);
  for (size_t i = 0; i < scene.objects.size(); ++i)
    Flatten(scene.objects[i], std::nullopt, std::move(parentNames[i]), flat);
  read = QuickScene();
  return AssembleScene(flat, fileName);
}

void CheckToolNames(SceneModel& scene, const std::string& fileName) {
  const auto check = [&](const std::optional<std::string>& name, const char* key) {
    if (!name || FindByName(scene, *name)) return;
    try {
      ResolveObject(ListObjects(scene), *name);
    } catch (const InputError& error) {
      throw InputError(fileName + ": /tool/" + key + ": " + error.what());
    }
  };
  check(scene.tool.reference, "reference");
  check(scene.tool.object, "object");
}

}  // namespace kcommand
