// kestrum help [COMMAND]: the same help as --help.

#include <gtest/gtest.h>

#include "cli/command_run.h"

namespace kcommand_test {
namespace {

TEST_F(CommandRun, HelpShowsWhatHelpOptionsShow) {
  const std::pair<std::vector<std::string>, std::vector<std::string>> same[] = {
      {{"help"}, {"--help"}},
      {{"help", "align"}, {"align", "--help"}},
      {{"help", "help-page"}, {"help-page", "--help"}}};
  for (const auto& [help, option] : same) {
    const Outcome shown = Kestrum(help);
    ASSERT_EQ(0, shown.status) << help.back() << ": " << shown.err;
    EXPECT_EQ(Kestrum(option).out, shown.out) << help.back();
  }
  EXPECT_NE(std::string::npos, Kestrum({"help", "align"}).out.find("Usage: kestrum align"));

  const Outcome unknown = Kestrum({"help", "allign"});
  EXPECT_EQ(2, unknown.status);
  EXPECT_EQ("kestrum: help: no command is called 'allign'; kestrum help lists them\n", unknown.err);
}

}  // namespace
}  // namespace kcommand_test
