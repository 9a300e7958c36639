#pragma once
// A glTF file behind the document interface: its nodes as the scene's objects, written
// back into the file's own text with only the moved nodes' transforms changed.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "scene_document.h"

namespace kcommand {

// The document when `bytes` are glTF (a .glb, or JSON whose asset.version is a string),
// which then keeps them; nothing, with `bytes` untouched, for anything else. Throws
// InputError naming `fileName` for a glTF file that cannot be read.
// `sceneIndex`: the glTF scene to read (default: the file's "scene", else the first).
std::unique_ptr<SceneDocument> ReadGltfDocument(std::string& bytes, const std::string& fileName,
                                                std::optional<size_t> sceneIndex,
                                                BoxPlacement boxes = BoxPlacement::kGeometry);

}  // namespace kcommand
