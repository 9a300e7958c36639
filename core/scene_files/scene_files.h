#pragma once
// Scene files of every format the command knows: a file opened as the format its
// content says, and a new file in the format a name asks for.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "scene_document.h"

namespace kcommand {

// "-" in place of a file: the scene read from standard input, or written to standard
// output. Messages call them by these names; a glTF file read from standard input
// resolves its relative URIs against the current folder, as if it were a file there.
constexpr const char* kStandardStream = "-";
constexpr const char* kStandardInputName = "standard input";
constexpr const char* kStandardOutputName = "standard output";
inline bool IsStandardStream(const std::string& path) { return path == kStandardStream; }

struct SceneReadOptions {
  std::optional<size_t> gltfScene;  // --scene: which glTF scene (default: the file's own)
  BoxPlacement boxes = BoxPlacement::kGeometry;  // --box
};

// Reads the file (standard input for "-"), its format found from its content: a GLB
// header, or JSON whose asset.version is set, is glTF; anything else is the JSON scene
// format.
std::unique_ptr<SceneDocument> ReadSceneDocument(const std::string& path,
                                                 const SceneReadOptions& options);

// A scene is written in the format it was read in; throws InputError when `output`'s
// extension asks for another (kestrum convert changes formats).
void CheckOutputFormat(const SceneDocument& document, const std::string& output);

// A new file in `format` holding `scene`'s objects (boxes become box meshes in glTF).
std::string SerialiseNewScene(SceneModel& scene, SceneFormat format, const std::string& path);

}  // namespace kcommand
