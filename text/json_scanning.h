#pragma once
// JSON text read as text, without a parser: how deeply it nests, where a value ends or
// starts, and where an offset lies. This is the one place that knows where a string
// ends (its escapes included): the host's nesting check before parsing, the glTF
// writer's copy of members it keeps and the glTF reader's error places all scan with it.

#include <cstddef>
#include <optional>
#include <string_view>

namespace kestrum {

// Arrays and objects inside one another, the outermost counting 1. Far beyond any scene
// or resource file, and far below what the recursive walks need of the stack under
// AddressSanitizer or in a 32-bit build. The JSON library's writer and the schema
// validator walk a document recursively, so deeper text is refused, with its place,
// before either sees it: a hostile file costs an error message, never the stack.
constexpr size_t kMaxJsonNesting = 512;

// The byte offset of the first '[' or '{' (outside strings) that opens level
// `maxNesting` + 1; nullopt when the text stays within it. Text that is not JSON is
// scanned all the same; its syntax is the parser's business.
std::optional<size_t> FindNestingBeyond(std::string_view text, size_t maxNesting = kMaxJsonNesting);

// Just past the string whose opening quote is at `quote`; the text's size when the
// string never closes.
size_t JsonStringEnd(std::string_view text, size_t quote);
inline bool IsJsonSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
// The first offset from `at` that is not JSON white space.
size_t JsonSpaceEnd(std::string_view text, size_t at);
// Just past the value that starts at `at`: a string, an array or object with all it
// holds, or a number or literal.
size_t JsonValueEnd(std::string_view text, size_t at);
// Where the value starts that a parser noted a problem at: the bracket that opens an
// array or object (`offset` itself), or the start of the string, number or literal that
// ends at `offset`.
size_t JsonValueStart(std::string_view text, size_t offset);

// Line and column of a byte offset, both counted from 1.
struct TextPlace {
  size_t line;
  size_t column;
};
TextPlace PlaceOfOffset(std::string_view text, size_t offset);

}  // namespace kestrum
