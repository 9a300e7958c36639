#pragma once
// Numbers as the command writes them into JSON files.

#include <string_view>

namespace kcommand {

// `value` with a negative zero made plain zero: no "-0" in files or reports people read.
constexpr double WithoutNegativeZero(double value) { return value == 0 ? 0.0 : value; }

// The shortest digits that read back as the same double, laid out as JSON writers
// commonly do: "7.0", "0.25", "1e-05", "1.5e+20"; "null" for what JSON cannot hold.
// The text lies in `buffer`.
std::string_view NumberText(double value, char (&buffer)[40]);
// The same text found by the library's general search for the shortest digits, which
// NumberText takes only for numbers it cannot write more directly.
std::string_view ShortestNumberText(double value, char (&buffer)[40]);

}  // namespace kcommand
