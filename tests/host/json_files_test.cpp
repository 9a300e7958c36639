// What the host's resource file readers say about JSON the parser itself refuses.
// Found by fuzzing: a number too large for a double escaped as an exception.

#include <gtest/gtest.h>

#include "description_layout.h"
#include "resources.h"

namespace {

TEST(JsonFileErrors, NumberTooLargeForADoubleIsAnErrorNamingTheFile) {
  std::string error;
  EXPECT_FALSE(khost::ParseStringTable(R"({"strings": {"10000": 1e999}})", "en.json", error));
  EXPECT_EQ(0u, error.find("en.json: ")) << error;
  EXPECT_NE(std::string::npos, error.find("1e999")) << error;

  error.clear();
  EXPECT_FALSE(khost::ParseDescriptionLayout(R"({"name": "Kestrum", "x": -9e9999})",
                                             "Kestrum.json", error));
  EXPECT_EQ(0u, error.find("Kestrum.json: ")) << error;
}

TEST(JsonFileErrors, SyntaxErrorKeepsLineAndColumn) {
  std::string error;
  EXPECT_FALSE(khost::ParseStringTable("{\n  \"strings\": {,}\n}", "en.json", error));
  EXPECT_NE(std::string::npos, error.find("line 2, column")) << error;
  EXPECT_EQ(std::string::npos, error.find("[json.exception")) << error;
}

}  // namespace
