#include "json_scene_document.h"

#include "scene_writer.h"

namespace kcommand {
namespace {

class JsonScene : public SceneDocument {
 public:
  JsonScene(SceneModel scene, const std::string& fileName) : SceneDocument(fileName) {
    scene_ = std::move(scene);
  }
  SceneFormat Format() const override { return SceneFormat::kJson; }
  void Write(const std::string&, const ByteSink& sink) override { WriteSceneText(scene_, sink); }
};

}  // namespace

std::unique_ptr<SceneDocument> JsonSceneDocument(std::string text, const std::string& fileName,
                                                 SceneReading reading) {
  return std::make_unique<JsonScene>(ParseSceneText(std::move(text), fileName, reading), fileName);
}

std::unique_ptr<SceneDocument> JsonSceneDocument(SceneModel scene, const std::string& fileName) {
  return std::make_unique<JsonScene>(std::move(scene), fileName);
}

}  // namespace kcommand
