#include "scene_document.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "gltf_box_scene.h"
#include "gltf_reader.h"
#include "gltf_writer.h"
#include "input_error.h"
#include "scene_reader.h"
#include "scene_writer.h"

namespace kcommand {
namespace {

class JsonSceneDocument : public SceneDocument {
 public:
  JsonSceneDocument(std::string text, const std::string& fileName) : SceneDocument(fileName) {
    scene_ = ParseSceneText(std::move(text), fileName);
  }
  SceneFormat Format() const override { return SceneFormat::kJson; }
  void Write(const std::string&, const ByteSink& sink) override { WriteSceneText(scene_, sink); }
};

class GltfSceneDocument : public SceneDocument {
 public:
  GltfSceneDocument(GltfFile file, SceneFile scene, const std::string& fileName)
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

std::string GltfSceneDocument::Notes() const {
  if (file_.offCentre.empty()) return {};
  // Paths by object index, as ListObjects would give them.
  std::vector<std::string> paths;
  std::vector<std::pair<const SceneObject*, std::string>> stack;
  for (auto it = scene_.objects.rbegin(); it != scene_.objects.rend(); ++it)
    stack.push_back({&*it, it->name});
  while (!stack.empty()) {
    const auto [object, path] = stack.back();
    stack.pop_back();
    paths.push_back(path);
    for (auto it = object->children.rbegin(); it != object->children.rend(); ++it)
      stack.push_back({&*it, path + "/" + it->name});
  }
  constexpr size_t kListed = 10;
  std::ostringstream note;
  note << fileName_ << ": note: " << file_.offCentre.size()
       << " node(s) hold a mesh whose centre is off the node's origin by more than 1% of its "
          "size; their boxes are centred on the origin, so a gap may appear beside them:";
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

std::string SceneDocument::Serialise(const std::string& path) {
  std::string bytes;
  Write(path, StringSink(bytes));
  return bytes;
}

const char* FormatName(SceneFormat format) {
  switch (format) {
    case SceneFormat::kJson:
      return "JSON scene";
    case SceneFormat::kGltf:
      return "glTF (.gltf)";
    case SceneFormat::kGlb:
      return "binary glTF (.glb)";
  }
  return "?";
}

std::optional<SceneFormat> FormatFromExtension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".json") return SceneFormat::kJson;
  if (extension == ".gltf") return SceneFormat::kGltf;
  if (extension == ".glb") return SceneFormat::kGlb;
  return std::nullopt;
}

std::unique_ptr<SceneDocument> ReadSceneDocument(const std::string& path,
                                                 const SceneReadOptions& options) {
  std::string bytes = ReadSceneBytes(path);
  SceneFile scene;
  if (std::optional<GltfFile> gltf = ReadGltf(bytes, path, options.gltfScene, scene))
    return std::make_unique<GltfSceneDocument>(std::move(*gltf), std::move(scene), path);
  return std::make_unique<JsonSceneDocument>(std::move(bytes), path);
}

std::string SerialiseNewScene(SceneFile& scene, SceneFormat format, const std::string& path) {
  if (format == SceneFormat::kJson) return SceneToText(scene);
  return BoxSceneGltf(scene, format == SceneFormat::kGlb, path);
}

void CheckOutputFormat(const SceneDocument& document, const std::string& output) {
  const std::optional<SceneFormat> asked = FormatFromExtension(output);
  if (asked && *asked != document.Format())
    throw InputError(
        output + ": the name asks for " + FormatName(*asked) + " but " + document.FileName() +
        " is " + FormatName(document.Format()) +
        "; a scene is written in the format it was read in (kestrum convert changes formats)");
}

}  // namespace kcommand
