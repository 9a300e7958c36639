// kestrum validate: the checks run, the count, and misspelt check names refused.

#include <gtest/gtest.h>

#include "cli/command_run.h"

namespace kcommand_test {
namespace {

TEST_F(CommandRun, ValidateRunsTheChecksAndEndsWithTheCount) {
  const Outcome run =
      Kestrum({"validate", "--seed", "7", "--check", "exports", "--check", "call-order"});
  EXPECT_EQ(0, run.status) << run.out << run.err;
  EXPECT_NE(std::string::npos, run.out.find("exports: passed")) << run.out;
  EXPECT_TRUE(run.out.ends_with("\n2 passed, 0 failed\n")) << run.out;

  const Outcome missing = Kestrum({"validate", "--plugin", Path("nowhere"), "--check", "exports"});
  EXPECT_EQ(1, missing.status) << missing.out;
  EXPECT_NE(std::string::npos, missing.out.find("0 passed, 1 failed")) << missing.out;

  const Outcome misspelt = Kestrum({"validate", "--check", "exprots"});
  EXPECT_EQ(2, misspelt.status) << misspelt.out;
  EXPECT_EQ(std::string::npos, misspelt.out.find("passed")) << misspelt.out;
  for (const char* known : {"exports", "call-order", "random-run"})
    EXPECT_NE(std::string::npos, misspelt.err.find(known)) << misspelt.err;
}

}  // namespace
}  // namespace kcommand_test
