#pragma once
// JSON text read into a document, with errors placed by line and column.

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "json_files.h"

namespace kcommand {

using kestrum::TextPosition;

// Throws InputError "fileName:line:column: ..." for invalid JSON, for numbers too large
// for a double and for nesting deeper than the host's limit: the host's parse, whose
// messages the plug-in folder's files share.
nlohmann::json ParseJsonText(const std::string& text, const std::string& fileName);

}  // namespace kcommand
