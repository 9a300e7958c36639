#include "scene_reader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>

#include "input_error.h"
#include "json_text.h"
#include "scene_quick_reader.h"
#include "scene_read_objects.h"
#include "scene_schema.h"

namespace kcommand {
namespace {

using nlohmann::json;

Vector3 VectorOr(const json& object, const char* key, Vector3 fallback) {
  if (!object.contains(key)) return fallback;
  const json& v = object.at(key);
  return {v[0].get<double>(), v[1].get<double>(), v[2].get<double>()};
}

// The object at `listIndex` of the top-level list (no `parent`) or of its parent's children.
void ReadObjectTree(const json& value, size_t listIndex, std::optional<size_t> parent,
                    ReadScene& read) {
  ReadObject each;
  SceneObject& object = each.object;
  object.listedAtTop = !parent;
  object.listIndex = ToListIndex(listIndex);
  object.name = value.at("name").get<std::string>();
  if (std::string comment = value.value("comment", std::string()); !comment.empty())
    object.comment = comment;
  object.position = VectorOr(value, "position", {0, 0, 0});
  object.rotationDegrees = VectorOr(value, "rotation", {0, 0, 0});
  object.scale = VectorOr(value, "scale", {1, 1, 1});
  object.halfSize = VectorOr(value, "halfSize", {0, 0, 0});
  if (value.contains("boxCenter")) object.boxCentre = VectorOr(value, "boxCenter", {0, 0, 0});
  object.selected = value.value("selected", false);
  if (value.contains("parent")) each.parentName = value.at("parent").get<std::string>();
  const size_t index = AddReadObject(read, std::move(each), parent);
  if (value.contains("children")) {
    const json& children = value.at("children");
    for (size_t i = 0; i < children.size(); ++i) ReadObjectTree(children[i], i, index, read);
  }
}

// The schema, as the documented contract, checked on the whole document; the first
// problem is the message.
SceneModel ParseSceneTextChecked(const std::string& text, const std::string& fileName) {
  const json document = ParseJsonText(text, fileName);
  if (const std::vector<SchemaProblem> problems = CheckAgainstSceneSchema(document);
      !problems.empty()) {
    const SchemaProblem& first = problems.front();
    throw InputError(fileName + ": " + (first.pointer.empty() ? "/" : first.pointer) +
                     ": does not follow the scene schema: " + first.description);
  }

  ReadScene read;
  read.comment = document.value("comment", std::string());
  const json& objects = document.at("objects");
  for (size_t i = 0; i < objects.size(); ++i) ReadObjectTree(objects[i], i, std::nullopt, read);
  if (document.contains("tool")) {
    const json& tool = document.at("tool");
    if (tool.contains("reference")) read.tool.reference = tool.at("reference").get<std::string>();
    if (tool.contains("object")) read.tool.object = tool.at("object").get<std::string>();
    for (size_t axis = 0; axis < 3; ++axis) {
      const char key[2] = {kAxisLetters[axis], '\0'};
      // The schema's pattern already admitted the text.
      if (tool.contains(key))
        read.tool.axes[axis] = ParseAxisChoice(tool.at(key).get<std::string>());
    }
  }
  return AssembleScene(read, fileName);
}

}  // namespace

SceneModel ParseSceneText(std::string text, const std::string& fileName, SceneReading reading) {
  if (reading == SceneReading::kQuickFirst)
    if (std::optional<SceneModel> scene = ParseWellFormedSceneText(text, fileName))
      return std::move(*scene);
  return ParseSceneTextChecked(text, fileName);
}

std::optional<SceneModel> ParseWellFormedSceneText(std::string& text, const std::string& fileName) {
  QuickScene read;
  if (!ReadWellFormedScene(text, read)) return std::nullopt;
  return AssembleScene(read, fileName);
}

std::string ReadSceneBytes(const std::string& path) {
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored))
    throw InputError(path + ": is a folder, not a scene file");
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) throw InputError(path + ": cannot open the scene file (missing or unreadable)");
  const std::streamoff size = file.tellg();
  if (size < 0) throw InputError(path + ": cannot read the scene file");
  // A 32-bit build can hold files of up to about 2 GB.
  if (static_cast<unsigned long long>(size) >
      static_cast<unsigned long long>(std::numeric_limits<std::streamsize>::max()))
    throw InputError(path + ": is too large to read (" + std::to_string(size) + " bytes)");
  const auto length = static_cast<std::streamsize>(size);
  // Read straight into place: a second copy of a large scene costs as much as the first.
  std::string bytes;
  bytes.resize(static_cast<size_t>(length));
  file.seekg(0);
  if (!file.read(bytes.data(), length) || file.gcount() != length)
    throw InputError(path + ": cannot read the scene file");
  return bytes;
}

SceneModel ReadSceneFile(const std::string& path) {
  return ParseSceneText(ReadSceneBytes(path), path);
}

}  // namespace kcommand
