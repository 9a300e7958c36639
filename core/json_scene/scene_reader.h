#pragma once
// Reads a scene file: JSON syntax (numbers too large for a double included), then the
// scene schema, then what a schema cannot say (half sizes not negative, parents that
// exist and form no cycle, nesting within its limits, tool settings that name one object
// each).
// Every failure is an InputError naming the file, the place and the problem.

#include <optional>
#include <string>
#include <string_view>

#include "scene_model.h"

namespace kcommand {

// How a text is read. kQuickFirst tries the quick reader, which takes only files it is
// sure are right, and falls back to the checking one, which finds the first problem
// and says where it is; both give the same scene.
enum class SceneReading { kQuickFirst, kCheckedOnly };

SceneModel ReadSceneFile(const std::string& path);
// The same for text already in memory; `fileName` is what messages call it. Taken by
// value: the quick reader reads the text in place.
SceneModel ParseSceneText(std::string text, const std::string& fileName,
                          SceneReading reading = SceneReading::kQuickFirst);
// The quick reader alone: the scene when it takes `text` whole (InputError for what a
// schema cannot say, as ParseSceneText), nothing when the checking reader must read it.
// `text` is read in place, and left as it was.
std::optional<SceneModel> ParseWellFormedSceneText(std::string& text, const std::string& fileName);

// A file's bytes. Throws InputError for a folder or a file that cannot be read.
std::string ReadSceneBytes(const std::string& path);

}  // namespace kcommand
