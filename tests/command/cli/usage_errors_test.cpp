// Command lines that do not parse: exit status 2, every line of the message starting
// "kestrum: ", nothing on standard output and no file written.

#include <gtest/gtest.h>

#include <filesystem>

#include "cli/command_run.h"

namespace kcommand_test {
namespace {

TEST_F(CommandRun, UsageErrorsEndWithStatusTwoAndOnePrefix) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "kestrum: give a command"},
      {{"allign"}, "kestrum: The following argument was not expected: allign"},
      {{"align", "x.json", "--sideways", "-o", "out.json"},
       "kestrum: align: The following argument was not expected: --sideways (kestrum help "
       "align lists its options)"},
      {{"align", "-o", "out.json"}, "kestrum: align: SCENE is required"},
      {{"align", "x.json", "--selected", "--object", "A", "-o", "out.json"},
       "kestrum: align: --selected excludes --object"},
      {{"validate", "--check", "exprots"}, "kestrum: validate: --check: exprots not in"},
      {{"--version", "--frob"}, "kestrum: The following argument was not expected: --frob"},
  };
  for (const auto& [arguments, message] : cases) {
    const Outcome run = Kestrum(arguments);
    EXPECT_EQ(2, run.status) << message;
    EXPECT_TRUE(run.err.starts_with(message)) << run.err;
    EXPECT_EQ("", run.out) << message;
    std::istringstream lines(run.err);
    for (std::string line; std::getline(lines, line);)
      EXPECT_TRUE(line.starts_with("kestrum: ")) << line;
    EXPECT_FALSE(std::filesystem::exists(Path("out.json"))) << message;
  }
}

}  // namespace
}  // namespace kcommand_test
