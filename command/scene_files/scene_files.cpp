#include "scene_files.h"

#include "gltf_box_scene.h"
#include "gltf_scene_document.h"
#include "input_error.h"
#include "json_scene_document.h"
#include "scene_reader.h"
#include "scene_writer.h"

namespace kcommand {

std::unique_ptr<SceneDocument> ReadSceneDocument(const std::string& path,
                                                 const SceneReadOptions& options) {
  std::string bytes = ReadSceneBytes(path);
  if (std::unique_ptr<SceneDocument> gltf = ReadGltfDocument(bytes, path, options.gltfScene))
    return gltf;
  return JsonSceneDocument(std::move(bytes), path);
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
