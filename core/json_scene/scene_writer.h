#pragma once
// Writes scenes in the format the reader takes, children always nested.

#include <string>

#include "output_files.h"
#include "scene_model.h"

namespace kcommand {

// The scene as the JSON scene format, pretty-printed, vectors on one line, numbers in
// the fewest digits that read back as the same doubles; handed to `sink` in pieces.
void WriteSceneText(const SceneModel& scene, const ByteSink& sink);
// The same, whole.
std::string SceneToText(const SceneModel& scene);

}  // namespace kcommand
