#include "scene_model.h"

#include <charconv>
#include <type_traits>
#include <utility>

#include "input_error.h"

namespace kcommand {
namespace {

// The one walk of the object order, for a scene and for a const one. Top-level objects
// are taken in place and only the objects below one wait on the stack: a million
// top-level objects would otherwise all be stacked, in storage grown step by step, on
// every walk.
template <typename Scene, typename Visit>
void Walk(Scene& scene, const Visit& visit) {
  using Object = std::conditional_t<std::is_const_v<Scene>, const SceneObject, SceneObject>;
  std::vector<std::pair<Object*, size_t>> stack;
  const auto stackChildren = [&](Object& object, size_t index) {
    for (auto it = object.children.rbegin(); it != object.children.rend(); ++it)
      stack.push_back({&*it, index});
  };
  size_t index = 0;
  for (Object& top : scene.objects) {
    visit(top, index, std::nullopt);
    stackChildren(top, index++);
    while (!stack.empty()) {
      const auto [object, parent] = stack.back();
      stack.pop_back();
      visit(*object, index, std::optional<size_t>(parent));
      stackChildren(*object, index++);
    }
  }
}

std::string PathBelow(const std::string* parentPath, const std::string& name) {
  return parentPath ? *parentPath + "/" + name : name;
}

size_t CountBelow(const SceneObject& object) {
  size_t count = 1;
  for (const SceneObject& child : object.children) count += CountBelow(child);
  return count;
}

}  // namespace

size_t CountObjects(const SceneModel& scene) {
  size_t count = 0;
  for (const SceneObject& object : scene.objects) count += CountBelow(object);
  return count;
}

std::vector<ObjectEntry> ListObjects(SceneModel& scene) {
  std::vector<ObjectEntry> objects;
  objects.reserve(CountObjects(scene));
  Walk(scene, [&](SceneObject& object, size_t, std::optional<size_t> parent) {
    objects.push_back(
        {&object, PathBelow(parent ? &objects[*parent].path : nullptr, object.name), parent});
  });
  return objects;
}

std::vector<std::string> ObjectPaths(const SceneModel& scene) {
  std::vector<std::string> paths;
  paths.reserve(CountObjects(scene));
  Walk(scene, [&](const SceneObject& object, size_t, std::optional<size_t> parent) {
    paths.push_back(PathBelow(parent ? &paths[*parent] : nullptr, object.name));
  });
  return paths;
}

size_t ResolveObject(const std::vector<ObjectEntry>& objects, const std::string& name) {
  const bool byPath = name.find('/') != std::string::npos;
  std::vector<size_t> matches;
  for (size_t i = 0; i < objects.size(); ++i)
    if (byPath ? objects[i].path == name
               : objects[i].object->name == name ||
                     (objects[i].object->alias && *objects[i].object->alias == name))
      matches.push_back(i);
  if (matches.size() == 1) return matches.front();
  if (matches.empty())
    throw InputError("no object " + std::string(byPath ? "has the path" : "is named") + " '" +
                     name + "'");
  if (byPath)
    throw InputError("the path '" + name + "' is ambiguous: " + std::to_string(matches.size()) +
                     " objects have it; rename one of them");
  std::string paths;
  for (size_t match : matches) paths += (paths.empty() ? "" : ", ") + objects[match].path;
  throw InputError("the name '" + name + "' is ambiguous: " + std::to_string(matches.size()) +
                   " objects answer to it (" + paths + "); give the path instead");
}

std::string SourceOf(PlaceNotation notation, size_t index,
                     const std::function<const SceneObject&(size_t)>& objectAt,
                     const std::function<std::optional<size_t>(size_t)>& parentOf) {
  const auto number = [](uint32_t value) {
    char digits[16];
    return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
  };
  const SceneObject& object = objectAt(index);
  if (object.listIndex == kNotFromFile) return std::string();
  if (notation == PlaceNotation::kGltfNode) return "nodes[" + number(object.listIndex) + "]";
  // Up through the children lists to the top-level list, then written from the top.
  std::vector<uint32_t> steps{object.listIndex};
  for (size_t at = index; !objectAt(at).listedAtTop;) {
    const std::optional<size_t> above = parentOf(at);
    if (!above) break;
    at = *above;
    steps.push_back(objectAt(at).listIndex);
  }
  std::string pointer = "/objects/" + number(steps.back());
  for (auto step = steps.rbegin() + 1; step != steps.rend(); ++step)
    pointer += "/children/" + number(*step);
  return pointer;
}

std::string SourceOf(const SceneModel& scene, const std::vector<ObjectEntry>& objects,
                     size_t index) {
  return SourceOf(
      scene.places, index, [&](size_t i) -> const SceneObject& { return *objects[i].object; },
      [&](size_t i) { return objects[i].parent; });
}

void WalkObjects(SceneModel& scene,
                 const std::function<void(SceneObject&, size_t, std::optional<size_t>)>& visit) {
  Walk(scene, visit);
}

std::optional<size_t> FindByName(SceneModel& scene, const std::string& name) {
  if (name.find('/') != std::string::npos) return std::nullopt;
  std::optional<size_t> found;
  size_t answers = 0;
  // The walk itself, not through std::function: a million calls of a comparison.
  Walk(scene, [&](const SceneObject& object, size_t index, std::optional<size_t>) {
    if (object.name == name || (object.alias && *object.alias == name)) {
      found = index;
      ++answers;
    }
  });
  return answers == 1 ? found : std::nullopt;
}

}  // namespace kcommand
