#include "json_scanning.h"

#include <algorithm>
#include <cstring>

namespace kestrum {
size_t JsonStringEnd(std::string_view text, size_t quote) {
  for (size_t at = quote + 1; at < text.size(); ++at) {
    if (text[at] == '\\')
      ++at;  // the escaped character cannot end the string
    else if (text[at] == '"')
      return at + 1;
  }
  return text.size();
}

std::optional<size_t> FindNestingBeyond(std::string_view text, size_t maxNesting) {
  size_t depth = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    switch (text[i]) {
      case '"':
        i = JsonStringEnd(text, i) - 1;
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

size_t JsonSpaceEnd(std::string_view text, size_t at) {
  while (at < text.size() && IsJsonSpace(text[at])) ++at;
  return at;
}

size_t JsonValueEnd(std::string_view text, size_t at) {
  if (at >= text.size()) return text.size();
  if (text[at] == '"') return JsonStringEnd(text, at);
  if (text[at] != '{' && text[at] != '[') {
    while (at < text.size() && !IsJsonSpace(text[at]) && std::strchr(",}]", text[at]) == nullptr)
      ++at;
    return at;
  }
  size_t depth = 0;
  while (at < text.size()) {
    const char c = text[at];
    if (c == '"') {
      at = JsonStringEnd(text, at);
      continue;
    }
    ++at;
    if (c == '{' || c == '[') ++depth;
    if ((c == '}' || c == ']') && --depth == 0) break;
  }
  return at;
}

size_t JsonValueStart(std::string_view text, size_t offset) {
  offset = std::min(offset, text.size());
  if (offset < text.size() && (text[offset] == '{' || text[offset] == '[')) return offset;
  size_t at = offset;
  if (at > 0 && text[at - 1] == '"') {
    // Back to the quote that opens the string: one not escaped by an odd run of
    // backslashes before it.
    for (--at; at > 0;) {
      --at;
      size_t slashes = 0;
      while (slashes < at && text[at - 1 - slashes] == '\\') ++slashes;
      if (text[at] == '"' && slashes % 2 == 0) break;
    }
    return at;
  }
  while (at > 0 && std::strchr("+-.0123456789eEtrufalsn", text[at - 1]) != nullptr &&
         text[at - 1] != '\0')
    --at;
  return at;
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

}  // namespace kestrum
