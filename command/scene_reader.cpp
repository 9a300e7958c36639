#include "scene_reader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "input_error.h"
#include "json_nesting.h"
#include "json_text.h"
#include "scene_schema.h"

namespace kcommand {
namespace {

using nlohmann::json;

json ParseJson(const std::string& text, const std::string& fileName) {
  // Checked before parsing: the schema check and the writer recurse per level.
  if (const std::optional<size_t> deep = khost::FindNestingBeyond(text))
    throw InputError(fileName + ":" + TextPosition(text, *deep) +
                     ": arrays and objects nest deeper than " +
                     std::to_string(khost::kMaxJsonNesting) + " levels, the most a scene may use");
  return ParseJsonText<json>(text, fileName);
}

Vector3 VectorOr(const json& object, const char* key, Vector3 fallback) {
  if (!object.contains(key)) return fallback;
  const json& v = object.at(key);
  return {v[0].get<double>(), v[1].get<double>(), v[2].get<double>()};
}

// Objects as read, before objects that name a parent are moved under it.
struct ReadObject {
  SceneObject object;  // without children
  std::vector<size_t> children;
  std::optional<std::string> parentName;
  std::optional<size_t> parent;
};

size_t ReadObjectTree(const json& value, const json::json_pointer& where,
                      const std::string& fileName, std::vector<ReadObject>& out) {
  ReadObject read;
  SceneObject& object = read.object;
  object.source = where.to_string();
  object.name = value.at("name").get<std::string>();
  object.comment = value.value("comment", std::string());
  object.position = VectorOr(value, "position", {0, 0, 0});
  object.rotationDegrees = VectorOr(value, "rotation", {0, 0, 0});
  object.scale = VectorOr(value, "scale", {1, 1, 1});
  object.halfSize = VectorOr(value, "halfSize", {0, 0, 0});
  object.selected = value.value("selected", false);
  for (size_t axis = 0; axis < 3; ++axis) {
    if (object.halfSize[axis] < 0)
      throw InputError(fileName + ": " + (where / "halfSize" / axis).to_string() + ": object '" +
                       object.name + "' has a negative half size " +
                       std::string(1, kAxisLetters[axis]) + " (zero, a flat box, is the least)");
  }
  if (value.contains("parent")) read.parentName = value.at("parent").get<std::string>();
  const size_t index = out.size();
  out.push_back(std::move(read));
  if (value.contains("children")) {
    const json& children = value.at("children");
    for (size_t i = 0; i < children.size(); ++i) {
      const size_t child = ReadObjectTree(children[i], where / "children" / i, fileName, out);
      out[child].parent = index;
      out[index].children.push_back(child);
    }
  }
  return index;
}

SceneObject Assemble(std::vector<ReadObject>& read, size_t index) {
  SceneObject object = std::move(read[index].object);
  for (size_t child : read[index].children) object.children.push_back(Assemble(read, child));
  return object;
}

// Refuses parent chains that come back to where they started, and objects nested deeper
// than kMaxObjectNesting. Each object is walked up once (the chain stops at an object
// already checked), so a long flat chain of named parents costs linear time.
void CheckParentChains(const std::vector<ReadObject>& read, const std::string& fileName) {
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
        throw InputError(fileName + ": " + read[first].object.source +
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
        throw InputError(fileName + ": " + read[*each].object.source + ": object '" +
                         read[*each].object.name + "' lies " + std::to_string(above) +
                         " levels deep (through children and parents); a scene may nest " +
                         std::to_string(kMaxObjectNesting) + " levels");
    }
  }
}

// Moves every top-level object that names a parent under it, refusing names that
// resolve to no object or several, and parent chains that come back to where they
// started.
void AttachNamedParents(std::vector<ReadObject>& read, const std::string& fileName) {
  std::multimap<std::string, size_t> byName;
  for (size_t i = 0; i < read.size(); ++i) byName.emplace(read[i].object.name, i);
  for (size_t i = 0; i < read.size(); ++i) {
    if (!read[i].parentName) continue;
    const std::string& name = *read[i].parentName;
    const std::string place = fileName + ": " + read[i].object.source + "/parent: ";
    const size_t count = byName.count(name);
    if (count == 0) throw InputError(place + "no object is named '" + name + "'");
    if (count > 1)
      throw InputError(place + "the parent name '" + name +
                       "' is ambiguous: " + std::to_string(count) +
                       " objects have it, and a parent must be named uniquely");
    const size_t parent = byName.find(name)->second;
    read[i].parent = parent;
    read[parent].children.push_back(i);
  }
  CheckParentChains(read, fileName);
}

AxisChoice AxisFromText(const json& tool, const char* key) {
  // The schema's pattern already admitted the text.
  return *ParseAxisChoice(tool.at(key).get<std::string>());
}

}  // namespace

SceneFile ParseSceneText(const std::string& text, const std::string& fileName) {
  const json document = ParseJson(text, fileName);
  if (const std::vector<SchemaProblem> problems = CheckAgainstSceneSchema(document);
      !problems.empty()) {
    const SchemaProblem& first = problems.front();
    throw InputError(fileName + ": " + (first.pointer.empty() ? "/" : first.pointer) +
                     ": does not follow the scene schema: " + first.description);
  }

  SceneFile scene;
  scene.comment = document.value("comment", std::string());
  std::vector<ReadObject> read;
  std::vector<size_t> topLevel;
  const json& objects = document.at("objects");
  for (size_t i = 0; i < objects.size(); ++i)
    topLevel.push_back(
        ReadObjectTree(objects[i], json::json_pointer("/objects") / i, fileName, read));
  AttachNamedParents(read, fileName);
  for (size_t index : topLevel)
    if (!read[index].parent) scene.objects.push_back(Assemble(read, index));

  if (document.contains("tool")) {
    const json& tool = document.at("tool");
    if (tool.contains("reference")) scene.tool.reference = tool.at("reference").get<std::string>();
    if (tool.contains("object")) scene.tool.object = tool.at("object").get<std::string>();
    for (size_t axis = 0; axis < 3; ++axis) {
      const char key[2] = {kAxisLetters[axis], '\0'};
      if (tool.contains(key)) scene.tool.axes[axis] = AxisFromText(tool, key);
    }
  }
  CheckToolNames(scene, fileName);
  return scene;
}

void CheckToolNames(SceneFile& scene, const std::string& fileName) {
  const std::vector<ObjectEntry> objects = ListObjects(scene);
  const auto check = [&](const std::optional<std::string>& name, const char* key) {
    if (!name) return;
    try {
      ResolveObject(objects, *name);
    } catch (const InputError& error) {
      throw InputError(fileName + ": /tool/" + key + ": " + error.what());
    }
  };
  check(scene.tool.reference, "reference");
  check(scene.tool.object, "object");
}

SceneFile ReadSceneFile(const std::string& path) {
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored))
    throw InputError(path + ": is a folder, not a scene file");
  std::ifstream file(path, std::ios::binary);
  if (!file) throw InputError(path + ": cannot open the scene file (missing or unreadable)");
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad()) throw InputError(path + ": cannot read the scene file");
  return ParseSceneText(text.str(), path);
}

}  // namespace kcommand
