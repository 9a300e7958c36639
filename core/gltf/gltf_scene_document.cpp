#include "gltf_scene_document.h"

#include <algorithm>

#include "gltf_reader.h"
#include "gltf_writer.h"

namespace kcommand {
namespace {

class GltfScene : public SceneDocument {
 public:
  GltfScene(GltfFile file, SceneModel scene, const std::string& fileName)
      : SceneDocument(fileName), file_(std::move(file)) {
    scene_ = std::move(scene);
  }
  SceneFormat Format() const override {
    return file_.binary ? SceneFormat::kGlb : SceneFormat::kGltf;
  }
  std::vector<std::string> Notes() const override;
  void Write(const std::string& path, const ByteSink& sink) override {
    WriteGltf(file_, scene_, path, sink);
  }
  const GltfFile* Gltf() const override { return &file_; }

 private:
  GltfFile file_;
};

std::vector<std::string> GltfScene::Notes() const {
  struct Inexact {
    const std::vector<size_t>& objects;
    const char* why;
  };
  const Inexact kinds[] = {
      {file_.skewed,
       "hold a mesh under a non-uniform scale with a rotation: its box is skewed in the world, "
       "so faces placed against it may not touch exactly"},
      {file_.animated, "are moved by an animation, which overrides a new placement when it plays"},
      {file_.instanced,
       "draw their mesh once per instance (EXT_mesh_gpu_instancing): the box holds every "
       "instance, so a face placed against it is the outermost instance's"},
  };
  std::vector<std::string> notes;
  std::vector<std::string> paths;
  for (const Inexact& kind : kinds) {
    if (kind.objects.empty()) continue;
    if (paths.empty()) paths = ObjectPaths(scene_);
    std::string note = fileName_ + ": note: " + std::to_string(kind.objects.size()) + " node(s) " +
                       kind.why + " (-v lists them)";
    for (const size_t object : kind.objects) note += "\n  " + paths[object];
    notes.push_back(std::move(note));
  }
  return notes;
}

}  // namespace

std::unique_ptr<SceneDocument> ReadGltfDocument(std::string& bytes, const std::string& fileName,
                                                std::optional<size_t> sceneIndex,
                                                BoxPlacement boxes) {
  SceneModel scene;
  scene.boxes = boxes;
  std::optional<GltfFile> gltf = ReadGltf(bytes, fileName, sceneIndex, scene);
  if (!gltf) return nullptr;
  return std::make_unique<GltfScene>(std::move(*gltf), std::move(scene), fileName);
}

}  // namespace kcommand
