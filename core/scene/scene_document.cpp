#include "scene_document.h"

#include <algorithm>
#include <filesystem>

namespace kcommand {

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

}  // namespace kcommand
