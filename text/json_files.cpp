#include "json_files.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

#include "json_scanning.h"

namespace kestrum {

std::optional<std::string> ReadTextFile(const std::string& path, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = path + ": cannot be opened: " + std::strerror(errno);
    return std::nullopt;
  }
  std::ostringstream content;
  content << file.rdbuf();
  if (file.bad()) {
    error = path + ": cannot be read";
    return std::nullopt;
  }
  return content.str();
}

namespace {

// Builds the document as nlohmann::json::parse would, but keeps the offset of the first
// error, which the library's exceptions do not always carry (an overflowing number).
class PositionedParser : public nlohmann::detail::json_sax_dom_parser<nlohmann::json> {
 public:
  explicit PositionedParser(nlohmann::json& document)
      : nlohmann::detail::json_sax_dom_parser<nlohmann::json>(document, false) {}
  bool parse_error(std::size_t position, const std::string& lastToken,
                   const nlohmann::detail::exception& failure) {
    if (!failed) {
      failed = true;
      offset = position;
      token = lastToken;
      message = failure.what();
      outOfRange = failure.id == 406;
    }
    return false;
  }
  bool failed = false;
  bool outOfRange = false;
  size_t offset = 0;
  std::string token;
  std::string message;
};

// The library's message without its "[json.exception...]" prefix and its position.
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
  const TextPlace place = PlaceOfOffset(text, offset);
  return std::to_string(place.line) + ":" + std::to_string(place.column);
}

std::optional<nlohmann::json> ParseJsonText(const std::string& text, const std::string& fileName,
                                            std::string& error) {
  if (const std::optional<size_t> deep = FindNestingBeyond(text)) {
    error = fileName + ":" + TextPosition(text, *deep) + ": arrays and objects nest deeper than " +
            std::to_string(kMaxJsonNesting) + " levels";
    return std::nullopt;
  }
  nlohmann::json document;
  PositionedParser parser(document);
  nlohmann::json::sax_parse(text, &parser);
  if (!parser.failed) return document;
  if (parser.outOfRange) {
    // The number token ends at the error position.
    const size_t start = parser.offset - std::min(parser.offset, parser.token.size());
    error = fileName + ":" + TextPosition(text, start) + ": the number " + parser.token +
            " is not finite (too large for a 64-bit double)";
  } else {
    const size_t at = parser.offset == 0 ? 0 : parser.offset - 1;
    error =
        fileName + ":" + TextPosition(text, at) + ": invalid JSON: " + PlainMessage(parser.message);
  }
  return std::nullopt;
}

std::string DescribeFormatError(const std::string& fileName, const JsonFormatError& error) {
  return fileName + ": at " + (error.path.empty() ? std::string("the top level") : error.path) +
         ": " + error.what;
}

const nlohmann::json& RequireMember(const nlohmann::json& object, const std::string& path,
                                    const char* key) {
  const auto found = object.find(key);
  if (found == object.end())
    throw JsonFormatError{path, std::string("the member \"") + key + "\" is missing"};
  return *found;
}

void RequireKnownMembers(const nlohmann::json& object, const std::string& path,
                         std::initializer_list<const char*> known) {
  if (!object.is_object()) throw JsonFormatError{path, "an object {...} is expected"};
  for (const auto& [key, value] : object.items()) {
    bool listed = false;
    for (const char* name : known) listed = listed || key == name;
    if (!listed) {
      std::string names;
      for (const char* name : known) names += std::string(names.empty() ? "" : ", ") + name;
      throw JsonFormatError{JsonPath(path, key),
                            "unknown member \"" + key + "\" (known here: " + names + ")"};
    }
  }
}

int32_t RequireInt32(const nlohmann::json& value, const std::string& path) {
  if (value.is_number_integer()) {
    const auto number = value.get<int64_t>();
    if (number >= std::numeric_limits<int32_t>::min() &&
        number <= std::numeric_limits<int32_t>::max())
      return static_cast<int32_t>(number);
  } else if (value.is_number_unsigned()) {
    // Too large for int64 as well: falls through to the range message.
  } else {
    throw JsonFormatError{path,
                          "a whole number is expected, found " + std::string(value.type_name())};
  }
  throw JsonFormatError{path, "the number " + value.dump() + " does not fit in 32 bits"};
}

const std::string& RequireString(const nlohmann::json& value, const std::string& path,
                                 bool allowEmpty) {
  if (!value.is_string())
    throw JsonFormatError{path, "a string is expected, found " + std::string(value.type_name())};
  const std::string& text = value.get_ref<const std::string&>();
  if (!allowEmpty && text.empty()) throw JsonFormatError{path, "the text is empty"};
  return text;
}

int32_t ParseIdKey(const std::string& key, const std::string& path) {
  int32_t id = 0;
  const char* end = key.data() + key.size();
  const auto [stop, problem] = std::from_chars(key.data(), end, id);
  const bool plainDigits = !key.empty() && (key[0] != '0' || key.size() == 1) && key[0] != '+';
  if (problem != std::errc() || stop != end || !plainDigits)
    throw JsonFormatError{path, "\"" + key + "\" is not a decimal 32-bit id"};
  return id;
}

std::string JsonPath(const std::string& path, const std::string& token) {
  std::string escaped;
  for (const char c : token) {
    if (c == '~')
      escaped += "~0";
    else if (c == '/')
      escaped += "~1";
    else
      escaped += c;
  }
  return path + "/" + escaped;
}

std::string JsonPath(const std::string& path, size_t index) {
  return path + "/" + std::to_string(index);
}

}  // namespace kestrum
