// The validator proves itself on plug-ins broken on purpose: each one fails the check
// that watches for its fault. Whatever else each fails is listed too, so a change in
// what the checks notice shows up here.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <ostream>
#include <set>
#include <sstream>
#include <string>

#include "validation.h"

namespace {

struct BrokenPlugin {
  const char* folder;
  const char* matchingCheck;
  const char* reasonMentions;         // in the matching check's reason
  std::set<std::string> alsoFailing;  // every other check that does not pass
};
// Names the case when a test fails, instead of dumping its bytes (some of which, in
// padding and strings, were never written).
void PrintTo(const BrokenPlugin& value, std::ostream* out) { *out << value.folder; }

class BrokenPluginTest : public ::testing::TestWithParam<BrokenPlugin> {};

TEST_P(BrokenPluginTest, FailsItsMatchingCheck) {
  const BrokenPlugin& broken = GetParam();
  khost::validator::ValidationOptions options;
  options.pluginFolder = std::string(KESTRUM_BINARY_DIR "/fixtures/") + broken.folder;
  options.seed = 7;
  options.repeat = 1;
  options.json = true;
  std::ostringstream out;
  EXPECT_EQ(1, khost::validator::RunValidation(options, out));
  const nlohmann::json document = nlohmann::json::parse(out.str());

  std::set<std::string> failing;
  bool matchingSeen = false;
  for (const nlohmann::json& check : document["checks"]) {
    const std::string name = check["name"];
    const std::string status = check["status"];
    const std::string reason = check["reason"];
    if (name == broken.matchingCheck) {
      matchingSeen = true;
      EXPECT_EQ("failed", status) << reason;
      EXPECT_NE(std::string::npos, reason.find(broken.reasonMentions)) << reason;
    } else if (status != "passed") {
      failing.insert(name);
    }
  }
  EXPECT_TRUE(matchingSeen);
  EXPECT_EQ(broken.alsoFailing, failing) << out.str();
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, BrokenPluginTest,
    ::testing::Values(BrokenPlugin{"broken_string_leak",
                                   "lifecycle",
                                   "left behind: value string",
                                   {"registration-record", "hostile-arguments", "undo-discipline",
                                    "call-order", "random-run"}},
                      BrokenPlugin{"broken_undo_open",
                                   "undo-discipline",
                                   "undo group(s) left open",
                                   {"hostile-arguments", "random-run"}},
                      BrokenPlugin{"broken_matrix_product", "random-run", "expected", {}},
                      BrokenPlugin{"broken_extra_export",
                                   "exports",
                                   "exports besides c4d_main: kestrum_debug_state",
                                   {}}),
    [](const ::testing::TestParamInfo<BrokenPlugin>& param) {
      return std::string(param.param.folder);
    });

}  // namespace
