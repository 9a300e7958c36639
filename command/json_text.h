#pragma once
// JSON text read into a document that keeps its keys in file order, so a file the
// command writes back differs from the one it read only where the command changed it.

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

namespace kcommand {

// Line and column (both from 1) of a byte offset in `text`: "12:7".
std::string TextPosition(const std::string& text, size_t offset);

// Throws InputError "fileName:line:column: ..." for invalid JSON and for numbers too
// large for a double.
nlohmann::ordered_json ParseOrderedJson(const std::string& text, const std::string& fileName);

}  // namespace kcommand
