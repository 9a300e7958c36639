#include "scene_files.h"

#include <cstdio>
#include <string_view>

#include "gltf_box_scene.h"
#include "gltf_scene_document.h"
#include "input_error.h"
#include "json_scene_document.h"
#include "scene_reader.h"
#include "scene_writer.h"

namespace kcommand {
namespace {

// Standard input to its end.
std::string ReadStandardInput() {
  std::string bytes;
  char chunk[1 << 16];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) bytes.append(chunk, got);
  if (std::ferror(stdin))
    throw InputError(std::string(kStandardInputName) + ": cannot read the scene");
  return bytes;
}

// Whether the text's first key is one of the scene format's, which glTF's top level never
// has: such a text goes to the quick scene reader before the search for glTF.
bool StartsAsScene(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  size_t at = 0;
  while (at < text.size() && blank(text[at])) ++at;
  if (at == text.size() || text[at++] != '{') return false;
  while (at < text.size() && blank(text[at])) ++at;
  for (const std::string_view key : {"\"version\"", "\"comment\"", "\"objects\"", "\"tool\""})
    if (text.substr(at, key.size()) == key) return true;
  return false;
}

}  // namespace

std::unique_ptr<SceneDocument> ReadSceneDocument(const std::string& path,
                                                 const SceneReadOptions& options) {
  const bool standardInput = IsStandardStream(path);
  const std::string name = standardInput ? kStandardInputName : path;
  // A text the quick reader takes has only the scene format's top-level keys, so it is
  // not glTF (whose "asset" is one of them), and the search through all of it for
  // glTF's mark can be spared. Any other text is read as before, the quick reader not
  // tried twice.
  bool quickTried = false;
  std::string bytes = standardInput ? ReadStandardInput() : ReadSceneBytes(path);
  std::unique_ptr<SceneDocument> document;
  if (StartsAsScene(bytes)) {
    quickTried = true;
    if (std::optional<SceneModel> scene = ParseWellFormedSceneText(bytes, name))
      document = JsonSceneDocument(std::move(*scene), name);
  }
  if (!document) document = ReadGltfDocument(bytes, name, options.gltfScene, options.boxes);
  if (!document)
    document =
        JsonSceneDocument(std::move(bytes), name,
                          quickTried ? SceneReading::kCheckedOnly : SceneReading::kQuickFirst);
  document->Scene().boxes = options.boxes;
  return document;
}

std::string SerialiseNewScene(SceneModel& scene, SceneFormat format, const std::string& path) {
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
