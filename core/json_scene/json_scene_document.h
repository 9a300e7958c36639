#pragma once
// The JSON scene format behind the document interface: the objects read from the text,
// written back whole by the scene writer.

#include <memory>
#include <string>

#include "scene_document.h"
#include "scene_reader.h"

namespace kcommand {

// Throws InputError naming `fileName` for text that is not a valid scene.
std::unique_ptr<SceneDocument> JsonSceneDocument(std::string text, const std::string& fileName,
                                                 SceneReading reading = SceneReading::kQuickFirst);
// A scene already read from its text.
std::unique_ptr<SceneDocument> JsonSceneDocument(SceneModel scene, const std::string& fileName);

}  // namespace kcommand
