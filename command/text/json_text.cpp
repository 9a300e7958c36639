#include "json_text.h"

#include <algorithm>

#include "input_error.h"
#include "json_nesting.h"

namespace kcommand {
namespace {

// Builds the document as Json::parse would, but keeps the offset of the first error,
// which the library's exceptions do not always carry (an overflowing number).
template <typename Json>
class PositionedParser : public nlohmann::detail::json_sax_dom_parser<Json> {
 public:
  explicit PositionedParser(Json& document)
      : nlohmann::detail::json_sax_dom_parser<Json>(document, false) {}
  bool parse_error(std::size_t position, const std::string& lastToken,
                   const nlohmann::detail::exception& error) {
    if (!failed) {
      failed = true;
      offset = position;
      token = lastToken;
      message = error.what();
      outOfRange = error.id == 406;
    }
    return false;
  }
  bool failed = false;
  bool outOfRange = false;
  size_t offset = 0;
  std::string token;
  std::string message;
};

// The library's message without its "[json.exception...]" prefix and position.
std::string PlainMessage(std::string text) {
  if (const size_t bracket = text.find("] "); bracket != std::string::npos)
    text = text.substr(bracket + 2);
  if (const size_t colon = text.find(": ");
      colon != std::string::npos && text.compare(0, 11, "parse error") == 0)
    text = text.substr(colon + 2);
  return text;
}

}  // namespace

std::string TextPosition(std::string_view text, size_t offset) {
  const khost::TextPlace place = khost::PlaceOfOffset(text, offset);
  return std::to_string(place.line) + ":" + std::to_string(place.column);
}

template <typename Json>
Json ParseJsonText(const std::string& text, const std::string& fileName) {
  Json document;
  PositionedParser<Json> parser(document);
  Json::sax_parse(text, &parser);
  if (!parser.failed) return document;
  if (parser.outOfRange) {
    // The number token ends at the error position.
    const size_t start = parser.offset - std::min(parser.offset, parser.token.size());
    throw InputError(fileName + ":" + TextPosition(text, start) + ": the number " + parser.token +
                     " is not finite (too large for a 64-bit double)");
  }
  const size_t at = parser.offset == 0 ? 0 : parser.offset - 1;
  throw InputError(fileName + ":" + TextPosition(text, at) +
                   ": invalid JSON: " + PlainMessage(parser.message));
}

template nlohmann::json ParseJsonText<nlohmann::json>(const std::string&, const std::string&);

}  // namespace kcommand
