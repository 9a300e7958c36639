#pragma once
// The pieces every hand-streamed JSON text is made of, for writers that stream a
// million objects without building a document: strings escaped as JSON requires and
// lists of numbers as the command writes them. Documents small enough to build go
// through nlohmann's writer instead.

#include <cstddef>
#include <string>
#include <string_view>

namespace kcommand {

// `text` in quotes: quotes, backslashes and control characters escaped, the rest as it is.
void AppendJsonString(std::string& out, std::string_view text);

// "[a,b,c]" (with `separator` between), each number as NumberText writes it, a negative
// zero as plain zero.
void AppendJsonNumbers(std::string& out, const double* values, size_t count,
                       std::string_view separator = ",");

}  // namespace kcommand
