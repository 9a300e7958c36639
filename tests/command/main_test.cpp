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

// The man page help2man made from the help: a subsection for every subcommand --help lists.
TEST_F(CommandRun, TheManPageHoldsEverySubcommandsHelp) {
#ifndef KESTRUM_MAN_PAGE
  GTEST_SKIP() << "no man page in this build (help2man is not installed)";
#else
  const std::string page = Contents(KESTRUM_MAN_PAGE);
  const std::string help = Kestrum({"--help"}).out;
  std::istringstream lines(help.substr(help.find("\nSubcommands:\n")));
  size_t subcommands = 0;
  std::smatch match;
  for (std::string line; std::getline(lines, line);)
    if (std::regex_search(line, match, std::regex("^  ([a-z][a-z-]*) "))) {
      EXPECT_NE(std::string::npos, page.find("\n.SS " + match[1].str() + "\n")) << match[1];
      ++subcommands;
    }
  EXPECT_GE(subcommands, 10u) << help;
  EXPECT_NE(std::string::npos, page.find("--keep-folders")) << page;
#endif
}

// The bash completion script asks the command for its subcommands and options.
TEST_F(CommandRun, BashCompletionOffersTheCommandsOwnWords) {
  const std::pair<std::string, std::string> cases[] = {
      {"al", "align"},
      {"align --ke", "--keep-folders"},
      {"-q li", "list"},
      {"help help", "help-page help"},
      {"--v", "--verbose --version"},
      {"reset --j", "--json"},
  };
  for (const auto& [line, expected] : cases) {
    const std::string script =
        "source " + Quoted(KESTRUM_BINARY_DIR "/command/kestrum-completion.bash") +
        " && COMP_WORDS=(" + Quoted(KESTRUM_COMMAND) + " " + line +
        ") && COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) && _kestrum && echo \"${COMPREPLY[*]}\"";
    folder.Write("complete.sh", script);
    const Outcome run = khost_test::RunIn(folder.Path(), "bash", {"complete.sh"});
    EXPECT_EQ(expected + "\n", run.out) << line << ": " << run.err;
  }
}

}  // namespace
}  // namespace kcommand_test
