// The validator on the plug-in as built: every check passes, in text and in JSON, and
// the same seed gives the same run.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "validation.h"

namespace {

using khost::validator::RunValidation;
using khost::validator::ValidationOptions;

std::string LastLine(const std::string& text) {
  std::string trimmed = text;
  while (!trimmed.empty() && trimmed.back() == '\n') trimmed.pop_back();
  return trimmed.substr(trimmed.rfind('\n') + 1);
}

ValidationOptions BuiltPlugin() {
  ValidationOptions options;
  options.pluginFolder = KESTRUM_BINARY_DIR "/plugins/kestrum";
  options.seed = 20260;
  options.repeat = 1;
  return options;
}

TEST(RealPlugin, PassesEveryCheck) {
  std::ostringstream out;
  EXPECT_EQ(0, RunValidation(BuiltPlugin(), out)) << out.str();
  EXPECT_EQ("8 passed, 0 failed", LastLine(out.str())) << out.str();
}

TEST(RealPlugin, JsonCarriesTheSameOutcome) {
  ValidationOptions options = BuiltPlugin();
  options.json = true;
  std::ostringstream out;
  EXPECT_EQ(0, RunValidation(options, out)) << out.str();
  const nlohmann::json document = nlohmann::json::parse(out.str());
  EXPECT_EQ(8, document["passed"]);
  EXPECT_EQ(0, document["failed"]);
  EXPECT_EQ(20260u, document["seed"]);
  ASSERT_EQ(8u, document["checks"].size());
  for (const nlohmann::json& check : document["checks"]) {
    EXPECT_EQ("passed", check["status"]) << check["name"] << ": " << check["reason"];
    EXPECT_FALSE(check["reason"].get<std::string>().empty()) << check["name"];
  }
}

TEST(RealPlugin, SameSeedSameRandomRun) {
  ValidationOptions options = BuiltPlugin();
  options.only = {"random-run"};
  options.json = true;
  std::ostringstream first, second;
  RunValidation(options, first);
  RunValidation(options, second);
  const auto reason = [](const std::string& text) {
    return nlohmann::json::parse(text)["checks"][0]["reason"].get<std::string>();
  };
  EXPECT_EQ(reason(first.str()), reason(second.str()));
  EXPECT_NE(std::string::npos, reason(first.str()).find("seed 20260"));
}

TEST(RealPlugin, MissingFolderFailsEveryCheckThatNeedsTheModule) {
  ValidationOptions options = BuiltPlugin();
  options.pluginFolder = "/nonexistent/plug-in";
  std::ostringstream out;
  EXPECT_EQ(1, RunValidation(options, out));
  EXPECT_EQ("0 passed, 8 failed", LastLine(out.str())) << out.str();
}

}  // namespace
