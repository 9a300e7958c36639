#pragma once
// JSON text read into a document, with errors placed by line and column.

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace kcommand {

// Line and column (both from 1) of a byte offset in `text`: "12:7".
std::string TextPosition(std::string_view text, size_t offset);

// Throws InputError "fileName:line:column: ..." for invalid JSON and for numbers too
// large for a double. Json is nlohmann::json.
template <typename Json>
Json ParseJsonText(const std::string& text, const std::string& fileName);

}  // namespace kcommand
