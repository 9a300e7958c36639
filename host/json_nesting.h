#pragma once
// How deeply JSON text nests, measured on the text before it is parsed. The JSON
// library's writer and the schema validator walk a document recursively, so text nested
// beyond any file a person or an exporter writes is refused, with its place, before
// either sees it: a hostile file costs an error message, never the stack.

#include <cstddef>
#include <optional>
#include <string_view>

namespace khost {

// Arrays and objects inside one another, the outermost counting 1. Far beyond any scene
// or resource file, and far below what the recursive walks need of the stack under
// AddressSanitizer or in a 32-bit build.
constexpr size_t kMaxJsonNesting = 512;

// The byte offset of the first '[' or '{' (outside strings) that opens level
// `maxNesting` + 1; nullopt when the text stays within it. Text that is not JSON is
// scanned all the same; its syntax is the parser's business.
std::optional<size_t> FindNestingBeyond(std::string_view text, size_t maxNesting = kMaxJsonNesting);

// Line and column of a byte offset, both counted from 1.
struct TextPlace {
  size_t line;
  size_t column;
};
TextPlace PlaceOfOffset(std::string_view text, size_t offset);

}  // namespace khost
