// kestrum help-page: the page the help button opens, or the message it shows.

#include <gtest/gtest.h>

#include <filesystem>

#include "cli/command_run.h"

namespace kcommand_test {
namespace {

TEST_F(CommandRun, HelpOpensThePageOrShowsTheMessage) {
  const Outcome opened = Kestrum({"help-page"});
  ASSERT_EQ(0, opened.status) << opened.err;
  EXPECT_NE(std::string::npos, opened.out.find("open its help page: ")) << opened.out;
  EXPECT_NE(std::string::npos, opened.out.find("help/index.html")) << opened.out;

  // A copy of the plug-in folder without its help page.
  namespace fs = std::filesystem;
  const fs::path built = KESTRUM_BINARY_DIR "/plugins/kestrum";
  fs::copy(built, Path("nohelp"), fs::copy_options::recursive);
  fs::remove_all(Path("nohelp/help"));
  const Outcome shown = Kestrum({"help-page", "--plugin", "nohelp"});
  ASSERT_EQ(0, shown.status) << shown.err;
  EXPECT_NE(std::string::npos, shown.out.find("the tool showed the message: ")) << shown.out;
}

}  // namespace
}  // namespace kcommand_test
