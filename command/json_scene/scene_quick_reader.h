#pragma once
// The quick reader of scene files: one pass over the text that builds the objects as it
// checks them. It takes only files it is sure follow the scene schema and JSON's
// syntax, and gives up on anything else (or anything unusual, such as \u escapes), so
// that the checking reader, slower but exact about what is wrong and where, reads those.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scene_read_objects.h"

namespace kcommand {

// Room after a text's bytes that the quick reader may read (never use).
constexpr size_t kSceneReadPadding = 64;

// True when `text` was read into `read`; false when the checking reader must read it
// (`read` then holds nothing of use). Builds without the quick reader always say false.
// The text is unchanged, but may grow its storage by kSceneReadPadding zero bytes.
bool ReadWellFormedScene(std::string& text, QuickScene& read);
// The same for a text followed by kSceneReadPadding readable zero bytes.
bool ReadWellFormedScene(std::string_view text, QuickScene& read);

}  // namespace kcommand
