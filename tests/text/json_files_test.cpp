// What the host's resource file readers say about JSON the parser itself refuses.
// Found by fuzzing: a number too large for a double escaped as an exception. Found by
// hand: nesting deep enough to exhaust the stack.

#include <gtest/gtest.h>

#include "description_layout.h"
#include "json_scanning.h"
#include "resources.h"

namespace {

TEST(JsonFileErrors, NumberTooLargeForADoubleIsAnErrorNamingTheFileAndTheNumbersPlace) {
  std::string error;
  EXPECT_FALSE(khost::ParseStringTable(R"({"strings": {"10000": 1e999}})", "en.json", error));
  EXPECT_EQ("en.json:1:23: the number 1e999 is not finite (too large for a 64-bit double)", error);

  error.clear();
  EXPECT_FALSE(
      khost::ParseDescriptionLayout(R"({"name": "Kestrum", "x": -9e9999})", "Kestrum.json", error));
  EXPECT_EQ("Kestrum.json:1:26: the number -9e9999 is not finite (too large for a 64-bit double)",
            error);
}

TEST(JsonFileErrors, SyntaxErrorKeepsLineAndColumn) {
  std::string error;
  EXPECT_FALSE(khost::ParseStringTable("{\n  \"strings\": {,}\n}", "en.json", error));
  EXPECT_NE(std::string::npos, error.find("en.json:2:")) << error;
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
    EXPECT_EQ(each.offset, kestrum::FindNestingBeyond(each.text, each.limit)) << each.text;
}

TEST(JsonScanning, FindsWhereValuesEndAndStartAcrossStringsAndEscapes) {
  struct Case {
    const char* text;
    size_t start;  // where the value starts
    size_t end;    // just past it
  };
  const Case cases[] = {
      {R"("a\"b" ,)", 0, 6},                 // an escaped quote does not end the string
      {R"("a\\" ,)", 0, 5},                  // an escaped backslash does
      {R"([1, "]", {"}": [2]}] x)", 0, 20},  // closers inside strings are not counted
      {R"(-1.5e3,)", 0, 6},
      {R"(x true])", 2, 6},
  };
  for (const Case& each : cases) {
    EXPECT_EQ(each.end, kestrum::JsonValueEnd(each.text, each.start)) << each.text;
    // A parser notes a problem at an opening bracket, or just past a string or scalar.
    const char first = each.text[each.start];
    const size_t noted = first == '[' || first == '{' ? each.start : each.end;
    EXPECT_EQ(each.start, kestrum::JsonValueStart(each.text, noted)) << each.text;
  }
  EXPECT_EQ(13u, kestrum::JsonValueEnd(R"("never closed)", 0));
}

TEST(JsonFileErrors, NestingBeyondTheLimitIsRefusedWithItsPlace) {
  const std::string deep = "{\n\"strings\": " + std::string(kestrum::kMaxJsonNesting, '[') +
                           std::string(kestrum::kMaxJsonNesting, ']') + "}";
  std::string error;
  EXPECT_FALSE(khost::ParseStringTable(deep, "en.json", error));
  const std::string column = std::to_string(11 + kestrum::kMaxJsonNesting);
  EXPECT_EQ("en.json:2:" + column + ": arrays and objects nest deeper than 512 levels", error);
  error.clear();
  EXPECT_FALSE(khost::ParseDescriptionLayout(deep, "Kestrum.json", error));
  EXPECT_EQ(0u, error.find("Kestrum.json:2:" + column + ": ")) << error;
}

}  // namespace
