// The pieces streamed JSON is made of read back as what was written.

#include "json_writing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

namespace kcommand {
namespace {

TEST(JsonWriting, StringsReadBackAsWritten) {
  const std::string texts[] = {
      "",       "Table", "quote \" and \\ slash", "tab\tline\nbell\a", std::string("nul\0byte", 8),
      "naïve ✓"};
  for (const std::string& text : texts) {
    std::string out;
    AppendJsonString(out, text);
    EXPECT_EQ(nlohmann::json::parse(out).get<std::string>(), text) << out;
  }
}

TEST(JsonWriting, NumbersAsTheProjectWritesThem) {
  const double values[] = {-0.0, 0.25, 7, 1e-5, 1.5e20, NAN};
  std::string out;
  AppendJsonNumbers(out, values, 6);
  EXPECT_EQ(out, "[0.0,0.25,7.0,1e-05,1.5e+20,null]");
  out.clear();
  AppendJsonNumbers(out, values + 1, 2, ", ");
  EXPECT_EQ(out, "[0.25, 7.0]");
}

}  // namespace
}  // namespace kcommand
