#include "json_writing.h"

#include <algorithm>

#include "json_number_text.h"

namespace kcommand {

void AppendJsonString(std::string& out, std::string_view text) {
  const auto plain = [](char c) {
    return c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20;
  };
  out += '"';
  if (std::all_of(text.begin(), text.end(), plain)) {
    out += text;
    out += '"';
    return;
  }
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          constexpr char kHex[] = "0123456789abcdef";
          out += "\\u00";
          out += kHex[(c >> 4) & 0xf];
          out += kHex[c & 0xf];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void AppendJsonNumbers(std::string& out, const double* values, size_t count,
                       std::string_view separator) {
  out += '[';
  char buffer[40];
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) out += separator;
    out += NumberText(WithoutNegativeZero(values[i]), buffer);
  }
  out += ']';
}

}  // namespace kcommand
