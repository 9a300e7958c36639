// The command line as a whole: help, and usage errors.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <ostream>
#include <regex>
#include <sstream>

#include "cli/command_run.h"

namespace kcommand_test {
namespace {

TEST_F(CommandRun, HelpTextAndUsageErrors) {
  const Outcome help = Kestrum({"align", "--help"});
  EXPECT_EQ(0, help.status);
  EXPECT_NE(std::string::npos, help.out.find("--reference"));
  EXPECT_EQ(2, Kestrum({}).status);
  EXPECT_EQ(2, Kestrum({"juggle"}).status);
}

}  // namespace
}  // namespace kcommand_test
