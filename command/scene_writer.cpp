#include "scene_writer.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "input_error.h"
#include "output_files.h"

namespace kcommand {
namespace {

using nlohmann::ordered_json;

// No "-0" in files people read.
double Tidy(double value) { return value == 0 ? 0.0 : value; }

ordered_json VectorJson(const Vector3& v) { return {Tidy(v[0]), Tidy(v[1]), Tidy(v[2])}; }

// Angles come back from matrices with the last bits disturbed; a billionth of a degree
// is far below anything a scene can show. Angles too large to scale by a billion are
// kept as they are (their last bit is already coarser than that).
ordered_json DegreesJson(const Vector3& v) {
  ordered_json out = ordered_json::array();
  for (double angle : v) {
    const double rounded = std::round(angle * 1e9) / 1e9;
    out.push_back(Tidy(std::isfinite(rounded) ? rounded : angle));
  }
  return out;
}

ordered_json ObjectJson(const SceneObject& object) {
  ordered_json out;
  out["name"] = object.name;
  if (!object.comment.empty()) out["comment"] = object.comment;
  out["position"] = VectorJson(object.position);
  out["rotation"] = DegreesJson(object.rotationDegrees);
  out["scale"] = VectorJson(object.scale);
  out["halfSize"] = VectorJson(object.halfSize);
  if (object.selected) out["selected"] = true;
  if (!object.children.empty()) {
    ordered_json children = ordered_json::array();
    for (const SceneObject& child : object.children) children.push_back(ObjectJson(child));
    out["children"] = std::move(children);
  }
  return out;
}

}  // namespace

namespace {

// Vectors read best on one line: "position": [0.0, 7.0, 0.0]. The pretty printer breaks
// arrays across lines, which no string can contain, so a '[' that ends a line opens an
// array; one holding exactly three numbers is joined. One pass, since scenes are large.
std::string JoinNumberTriples(const std::string& text) {
  std::string joined;
  joined.reserve(text.size());
  size_t at = 0;
  while (at < text.size()) {
    const size_t open = text.find("[\n", at);
    if (open == std::string::npos) break;
    joined.append(text, at, open - at);
    // Reads the next line of the array, without its indent and trailing comma.
    size_t cursor = open + 2;
    auto nextLine = [&](std::string& line) {
      const size_t end = text.find('\n', cursor);
      if (end == std::string::npos) return false;
      size_t first = text.find_first_not_of(' ', cursor);
      if (first > end) first = end;
      line.assign(text, first, end - first);
      cursor = end + 1;
      return true;
    };
    auto isNumber = [](const std::string& item) {
      return !item.empty() && item.find_first_not_of("0123456789.eE+-") == std::string::npos;
    };
    std::string items[3];
    std::string closing;
    bool triple = true;
    for (int i = 0; i < 3 && triple; ++i) {
      triple = nextLine(items[i]);
      if (triple && i < 2) {
        triple = !items[i].empty() && items[i].back() == ',';
        if (triple) items[i].pop_back();
      }
      triple = triple && isNumber(items[i]);
    }
    triple = triple && nextLine(closing) && !closing.empty() && closing[0] == ']';
    if (triple) {
      joined += "[" + items[0] + ", " + items[1] + ", " + items[2] + closing;
      // The closing line's own newline stays with the text that follows.
      at = cursor - 1;
    } else {
      joined += "[\n";
      at = open + 2;
    }
  }
  joined.append(text, at, std::string::npos);
  return joined;
}

}  // namespace

std::string SceneToText(const SceneFile& scene) {
  ordered_json out;
  out["version"] = 1;
  if (!scene.comment.empty()) out["comment"] = scene.comment;
  ordered_json objects = ordered_json::array();
  for (const SceneObject& object : scene.objects) objects.push_back(ObjectJson(object));
  out["objects"] = std::move(objects);
  const ToolSettings& tool = scene.tool;
  ordered_json toolJson = ordered_json::object();
  if (tool.reference) toolJson["reference"] = *tool.reference;
  if (tool.object) toolJson["object"] = *tool.object;
  for (size_t axis = 0; axis < 3; ++axis)
    if (tool.axes[axis])
      toolJson[std::string(1, kAxisLetters[axis])] = FormatAxisChoice(*tool.axes[axis]);
  if (!toolJson.empty()) out["tool"] = std::move(toolJson);
  return JoinNumberTriples(out.dump(2)) + "\n";
}

void WriteFileAtomically(const std::string& path, const std::string& content) {
  OutputFiles files;
  files.Stage(path, content);
  files.Commit();
}

}  // namespace kcommand
