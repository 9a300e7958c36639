#include "gltf_scene_document.h"

#include <algorithm>
#include <sstream>

#include "gltf_reader.h"
#include "gltf_writer.h"

namespace kcommand {
namespace {

class GltfScene : public SceneDocument {
 public:
  GltfScene(GltfFile file, SceneFile scene, const std::string& fileName)
      : SceneDocument(fileName), file_(std::move(file)) {
    scene_ = std::move(scene);
  }
  SceneFormat Format() const override {
    return file_.binary ? SceneFormat::kGlb : SceneFormat::kGltf;
  }
  std::string Notes() const override;
  void Write(const std::string& path, const ByteSink& sink) override {
    WriteGltf(file_, scene_, path, sink);
  }
  const GltfFile* Gltf() const override { return &file_; }

 private:
  GltfFile file_;
};

std::string GltfScene::Notes() const {
  if (file_.offCentre.empty()) return {};
  const std::vector<std::string> paths = ObjectPaths(scene_);
  constexpr size_t kListed = 10;
  std::ostringstream note;
  note << fileName_ << ": note: " << file_.offCentre.size()
       << " node(s) hold a mesh whose centre is off the node's origin by more than 1% of its "
          "size; their boxes are centred on the origin, so a gap may appear beside them (-v lists "
          "them):";
  for (size_t i = 0; i < std::min(kListed, file_.offCentre.size()); ++i) {
    const auto& [object, centre] = file_.offCentre[i];
    note << "\n  " << paths[object] << " (mesh centre " << centre[0] << ", " << centre[1] << ", "
         << centre[2] << ")";
  }
  if (file_.offCentre.size() > kListed)
    note << "\n  and " << file_.offCentre.size() - kListed << " more";
  return note.str();
}

}  // namespace

std::unique_ptr<SceneDocument> ReadGltfDocument(std::string& bytes, const std::string& fileName,
                                                std::optional<size_t> sceneIndex) {
  SceneFile scene;
  std::optional<GltfFile> gltf = ReadGltf(bytes, fileName, sceneIndex, scene);
  if (!gltf) return nullptr;
  return std::make_unique<GltfScene>(std::move(*gltf), std::move(scene), fileName);
}

}  // namespace kcommand
