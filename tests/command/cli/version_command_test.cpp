// kestrum version and --version: the command's version, and the plug-in's from its
// banner.

#include <gtest/gtest.h>

#include <regex>

#include "cli/command_run.h"

namespace kcommand_test {
namespace {

TEST_F(CommandRun, VersionShowsTheProjectsAndThePluginsBanner) {
  const Outcome flag = Kestrum({"--version"});
  ASSERT_EQ(0, flag.status) << flag.err;
  EXPECT_EQ(flag.out, Kestrum({"version"}).out);
  EXPECT_TRUE(flag.out.starts_with(std::string("kestrum ") + KESTRUM_PROJECT_VERSION + "\n"))
      << flag.out;

  // The banner line quoted is one the plug-in printed on load, and names the version.
  std::smatch match;
  ASSERT_TRUE(std::regex_search(flag.out, match,
                                std::regex("\nplug-in ([0-9.]+) \\(its banner: \"([^\"]*)\";")))
      << flag.out;
  const Outcome info = Kestrum({"info"});
  EXPECT_NE(std::string::npos, info.out.find("\n" + match[2].str() + "\n")) << info.out;
  EXPECT_NE(std::string::npos, match[2].str().find(match[1].str())) << match[2];
}

}  // namespace
}  // namespace kcommand_test
