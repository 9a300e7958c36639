#pragma once
// Reading the plug-in folder's JSON files (resource strings, description layouts) with
// errors a person can act on: the file, then line:column of a syntax error or the JSON
// path of a value that has the wrong form.

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace kestrum {

// The whole file, or nullopt with `error` saying why it could not be read.
std::optional<std::string> ReadTextFile(const std::string& path, std::string& error);

// Line and column (both from 1) of a byte offset in `text`: "12:7".
std::string TextPosition(std::string_view text, size_t offset);

// Parses `text` read from `fileName`; nullopt with `error` as
// "<fileName>:L:C: <what is wrong>" on a syntax error, on a number too large for a
// double, or on nesting deeper than kMaxJsonNesting (json_scanning.h). Every JSON file
// the host and the command read reports its syntax in this one form.
std::optional<nlohmann::json> ParseJsonText(const std::string& text, const std::string& fileName,
                                            std::string& error);

// Thrown by the validators while walking a parsed file; caught where the file is read,
// never beyond the host.
struct JsonFormatError {
  std::string path;  // JSON pointer of the offending value, "" for the whole document
  std::string what;
};

// "<fileName>: at <path>: <what>", the form every validation error is reported in.
std::string DescribeFormatError(const std::string& fileName, const JsonFormatError& error);

// Checks used by the validators; each throws JsonFormatError naming `path`.
const nlohmann::json& RequireMember(const nlohmann::json& object, const std::string& path,
                                    const char* key);
void RequireKnownMembers(const nlohmann::json& object, const std::string& path,
                         std::initializer_list<const char*> known);
int32_t RequireInt32(const nlohmann::json& value, const std::string& path);
const std::string& RequireString(const nlohmann::json& value, const std::string& path,
                                 bool allowEmpty);
// A decimal 32-bit id written as text (an object key), e.g. "10000".
int32_t ParseIdKey(const std::string& key, const std::string& path);
// `path` + "/" + `token`, with the token escaped as JSON pointers require.
std::string JsonPath(const std::string& path, const std::string& token);
std::string JsonPath(const std::string& path, size_t index);

}  // namespace kestrum
