#include "scene_generator.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <numbers>

#include "scene.h"

namespace kbench {
namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

HostVector RandomVector(SeededNumbers& numbers, double low, double high) {
  const double x = numbers.Thousandths(low, high);
  const double y = numbers.Thousandths(low, high);
  const double z = numbers.Thousandths(low, high);
  return HostVector{x, y, z};
}

GeneratedObject RandomObject(SeededNumbers& numbers, std::string name, size_t parent,
                             bool selected) {
  GeneratedObject object;
  object.name = std::move(name);
  object.parent = parent;
  object.position = RandomVector(numbers, -1000.0, 1000.0);
  object.rotationDegrees = RandomVector(numbers, -180.0, 180.0);
  object.scale = RandomVector(numbers, 0.5, 2.0);
  object.halfSize = RandomVector(numbers, 0.1, 10.0);
  object.selected = selected;
  return object;
}

nlohmann::ordered_json VectorJson(const HostVector& v) { return {v.x, v.y, v.z}; }

nlohmann::ordered_json ObjectJson(const GeneratedObject& object) {
  nlohmann::ordered_json json;
  json["name"] = object.name;
  json["position"] = VectorJson(object.position);
  json["rotation"] = VectorJson(object.rotationDegrees);
  json["scale"] = VectorJson(object.scale);
  json["halfSize"] = VectorJson(object.halfSize);
  if (object.selected) json["selected"] = true;
  return json;
}

// Recursion is as deep as the tree: two levels for generated scenes.
nlohmann::ordered_json NestedJson(const GeneratedScene& scene,
                                  const std::vector<std::vector<size_t>>& children, size_t index) {
  nlohmann::ordered_json json = ObjectJson(scene.objects[index]);
  if (!children[index].empty()) {
    json["children"] = nlohmann::ordered_json::array();
    for (size_t child : children[index])
      json["children"].push_back(NestedJson(scene, children, child));
  }
  return json;
}

}  // namespace

uint64_t SeededNumbers::Next() {
  uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

double SeededNumbers::Thousandths(double low, double high) {
  const auto first = static_cast<int64_t>(std::ceil(low * 1000.0));
  const auto last = static_cast<int64_t>(std::floor(high * 1000.0));
  const auto span = static_cast<uint64_t>(last - first) + 1;
  // The modulo bias is below 1e-12 for the spans used here.
  return static_cast<double>(first + static_cast<int64_t>(Next() % span)) / 1000.0;
}

GeneratedScene GenerateScene(const SceneGeneratorOptions& options) {
  GeneratedScene scene;
  scene.options = options;
  SeededNumbers numbers(options.seed);
  const size_t groups =
      options.objectsPerGroup == 0
          ? 0
          : (options.selectedObjects + options.objectsPerGroup - 1) / options.objectsPerGroup;
  scene.objects.reserve(1 + groups + options.selectedObjects);

  GeneratedObject reference = RandomObject(numbers, "Reference", GeneratedScene::kNoParent, false);
  reference.halfSize = RandomVector(numbers, 10.0, 100.0);
  scene.objects.push_back(reference);
  scene.reference = 0;

  size_t parent = GeneratedScene::kNoParent;
  size_t group = 0;
  for (size_t i = 0; i < options.selectedObjects; ++i) {
    if (options.objectsPerGroup != 0 && i % options.objectsPerGroup == 0) {
      parent = scene.objects.size();
      scene.objects.push_back(RandomObject(numbers, "Group " + std::to_string(++group),
                                           GeneratedScene::kNoParent, false));
    }
    scene.objects.push_back(RandomObject(numbers, "Object " + std::to_string(i + 1), parent, true));
  }
  return scene;
}

std::vector<HostObject*> BuildScene(khost::Scene& host, HostDocument* document,
                                    const GeneratedScene& scene) {
  std::vector<HostObject*> built;
  built.reserve(scene.objects.size());
  for (const GeneratedObject& from : scene.objects) {
    HostObject* parent = from.parent == GeneratedScene::kNoParent ? nullptr : built[from.parent];
    HostObject* object = host.NewObject(document, from.name, parent);
    // The same order as the command's scene loader, so both give the same matrices.
    host.SetScale(object, from.scale);
    const HostVector& d = from.rotationDegrees;
    host.SetRotation(object, HostVector{d.x * kRadiansPerDegree, d.y * kRadiansPerDegree,
                                        d.z * kRadiansPerDegree});
    host.SetPosition(object, from.position);
    host.SetHalfSizes(object, from.halfSize);
    host.SetSelected(object, from.selected);
    built.push_back(object);
  }
  return built;
}

std::string SceneFileText(const GeneratedScene& scene) {
  std::vector<std::vector<size_t>> children(scene.objects.size());
  for (size_t i = 0; i < scene.objects.size(); ++i)
    if (scene.objects[i].parent != GeneratedScene::kNoParent)
      children[scene.objects[i].parent].push_back(i);
  // One top-level object (with its children) per line: large files stay small and can
  // still be read and compared line by line.
  const nlohmann::ordered_json comment = "Generated: seed " + std::to_string(scene.options.seed) +
                                         ", " + std::to_string(scene.options.selectedObjects) +
                                         " selected objects";
  const nlohmann::ordered_json tool = {{"reference", scene.objects[scene.reference].name},
                                       {"x", scene.options.axisX},
                                       {"y", scene.options.axisY},
                                       {"z", scene.options.axisZ}};
  std::string text = "{\"version\": 1,\n \"comment\": ";
  text += comment.dump();
  text += ",\n \"tool\": ";
  text += tool.dump();
  text += ",\n \"objects\": [";
  bool first = true;
  for (size_t i = 0; i < scene.objects.size(); ++i) {
    if (scene.objects[i].parent != GeneratedScene::kNoParent) continue;
    text += first ? "\n  " : ",\n  ";
    text += NestedJson(scene, children, i).dump();
    first = false;
  }
  text += "\n ]\n}\n";
  return text;
}

}  // namespace kbench
