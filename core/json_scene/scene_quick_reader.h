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

// True when `text` was read into `read`; false when the checking reader must read it
// (`read` then holds nothing of use). The text is read in place, and left as it was.
bool ReadWellFormedScene(std::string& text, QuickScene& read);

}  // namespace kcommand
