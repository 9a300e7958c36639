#pragma once
// Writes scenes in the format the reader takes, children always nested, and puts files
// in place so that an interrupted run never leaves a half-written one.

#include <string>

#include "output_files.h"
#include "scene_model.h"

namespace kcommand {

// The scene as the JSON scene format, pretty-printed, vectors on one line, numbers in
// the fewest digits that read back as the same doubles; handed to `sink` in pieces.
void WriteSceneText(const SceneFile& scene, const ByteSink& sink);
// The same, whole.
std::string SceneToText(const SceneFile& scene);

// Writes `content` to a temporary file beside `path` and renames it over `path`, keeping
// the permission bits of a file it replaces. Throws InputError (naming the path) when the
// folder cannot take the file. A run with several outputs stages them in OutputFiles.
void WriteFileAtomically(const std::string& path, const std::string& content);

}  // namespace kcommand
