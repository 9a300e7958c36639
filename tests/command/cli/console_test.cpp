// -q keeps errors and what was asked for; -v adds each step's time. Both may come before
// or after the subcommand.

#include <gtest/gtest.h>

#include "cli/command_run.h"

namespace kcommand_test {
namespace {

TEST_F(CommandRun, QuietKeepsErrorsAndVerboseAddsTheSteps) {
  folder.Write("shelf.json", kShelfScene);
  const std::vector<std::string> align = {"align", "shelf.json", "--reference", "Shelf"};
  const auto run = [&](std::vector<std::string> before, std::vector<std::string> after) {
    before.insert(before.end(), align.begin(), align.end());
    before.insert(before.end(), after.begin(), after.end());
    return Kestrum(before);
  };
  for (const Outcome& quiet : {run({"-q"}, {"--x", "center", "-o", "out.json"}),
                               run({}, {"--x", "center", "-o", "out.json", "--quiet"})}) {
    EXPECT_EQ(0, quiet.status) << quiet.err;
    EXPECT_EQ("", quiet.out);
    EXPECT_EQ("", quiet.err);
  }
  // Nothing moves (no axis): no note, but the table asked for stays.
  const Outcome table = run({"-q"}, {});
  EXPECT_EQ("nothing moved\n", table.out);
  EXPECT_EQ("", table.err);
  const Outcome failed = run({"-q"}, {"--object", "Nobody"});
  EXPECT_EQ(2, failed.status);
  EXPECT_EQ("kestrum: shelf.json: --object: no object is named 'Nobody'\n", failed.err);

  const Outcome verbose = run({"-v"}, {"--x", "center", "-o", "out.json"});
  EXPECT_EQ(0, verbose.status) << verbose.err;
  EXPECT_NE(std::string::npos, verbose.err.find("read shelf.json (JSON scene, 3 objects) in "))
      << verbose.err;
  EXPECT_NE(std::string::npos, verbose.err.find("pressed 'align selected' on shelf.json in "))
      << verbose.err;
}

}  // namespace
}  // namespace kcommand_test
