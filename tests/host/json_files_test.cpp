// What the host's resource file readers say about JSON the parser itself refuses.
// Found by fuzzing: a number too large for a double escaped as an exception. Found by
// hand: nesting deep enough to exhaust the stack.

#include <gtest/gtest.h>

#include "description_layout.h"
#include "json_nesting.h"
#include "resources.h"

namespace {

TEST(JsonFileErrors, NumberTooLargeForADoubleIsAnErrorNamingTheFile) {
  std::string error;
  EXPECT_FALSE(khost::ParseStringTable(R"({"strings": {"10000": 1e999}})", "en.json", error));
  EXPECT_EQ(0u, error.find("en.json: ")) << error;
  EXPECT_NE(std::string::npos, error.find("1e999")) << error;

  error.clear();
  EXPECT_FALSE(
      khost::ParseDescriptionLayout(R"({"name": "Kestrum", "x": -9e9999})", "Kestrum.json", error));
  EXPECT_EQ(0u, error.find("Kestrum.json: ")) << error;
}

TEST(JsonFileErrors, SyntaxErrorKeepsLineAndColumn) {
  std::string error;
  EXPECT_FALSE(khost::ParseStringTable("{\n  \"strings\": {,}\n}", "en.json", error));
  EXPECT_NE(std::string::npos, error.find("line 2, column")) << error;
  EXPECT_EQ(std::string::npos, error.find("[json.exception")) << error;
}

TEST(JsonNesting, FindsTheBracketThatOpensOneLevelTooManyOutsideStrings) {
  struct Case {
    const char* text;
    size_t limit;
    std::optional<size_t> offset;
  };
  const Case cases[] = {
      {"[[]]", 2, std::nullopt},
      {"[[[]]]", 2, 2},
      {"{\"a\": [{}]}", 2, 7},
      {"[\"[[[[\", []]", 2, std::nullopt},     // brackets inside a string
      {"[\"\\\"[[[\", []]", 2, std::nullopt},  // an escaped quote does not end the string
      {"[]]]][[[", 2, 7},                      // stray closers do not go below zero
      {"[\"\\\\\", [[]]]", 2, 8},              // an escaped backslash does end it
  };
  for (const Case& each : cases)
    EXPECT_EQ(each.offset, khost::FindNestingBeyond(each.text, each.limit)) << each.text;
}

TEST(JsonFileErrors, NestingBeyondTheLimitIsRefusedWithItsPlace) {
  const std::string deep = "{\n\"strings\": " + std::string(khost::kMaxJsonNesting, '[') +
                           std::string(khost::kMaxJsonNesting, ']') + "}";
  std::string error;
  EXPECT_FALSE(khost::ParseStringTable(deep, "en.json", error));
  const std::string column = std::to_string(11 + khost::kMaxJsonNesting);
  EXPECT_EQ(
      "en.json: line 2, column " + column + ": arrays and objects nest deeper than 512 levels",
      error);
  error.clear();
  EXPECT_FALSE(khost::ParseDescriptionLayout(deep, "Kestrum.json", error));
  EXPECT_EQ(0u, error.find("Kestrum.json: line 2, column " + column)) << error;
}

}  // namespace
