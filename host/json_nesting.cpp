#include "json_nesting.h"

#include <algorithm>

namespace khost {

std::optional<size_t> FindNestingBeyond(std::string_view text, size_t maxNesting) {
  size_t depth = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\')
        ++i;  // the escaped character cannot end the string
      else if (c == '"')
        inString = false;
      continue;
    }
    switch (c) {
      case '"':
        inString = true;
        break;
      case '[':
      case '{':
        if (++depth > maxNesting) return i;
        break;
      case ']':
      case '}':
        if (depth > 0) --depth;
        break;
      default:
        break;
    }
  }
  return std::nullopt;
}

TextPlace PlaceOfOffset(std::string_view text, size_t offset) {
  offset = std::min(offset, text.size());
  TextPlace place{1, 1};
  size_t lineStart = 0;
  for (size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n') {
      ++place.line;
      lineStart = i + 1;
    }
  }
  place.column = offset - lineStart + 1;
  return place;
}

}  // namespace khost
