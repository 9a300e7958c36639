// kestrum reset: the settings the reset button writes.

#include <gtest/gtest.h>

#include "cli/command_run.h"

namespace kcommand_test {
namespace {

TEST_F(CommandRun, ResetWritesTheSixDefaults) {
  const Outcome run = Kestrum({"reset", "--x", "minus:outside", "--z", "plus"});
  ASSERT_EQ(0, run.status) << run.err;
  EXPECT_NE(std::string::npos, run.out.find("before:  x minus:outside (10008, 10011)")) << run.out;
  EXPECT_NE(std::string::npos,
            run.out.find("the tool wrote 6 settings: ContainerSetInt(10004, 10005) "
                         "ContainerSetInt(10009, 10010) ContainerSetInt(10012, 10013) "
                         "ContainerSetInt(10017, 10018) ContainerSetInt(10020, 10021) "
                         "ContainerSetInt(10025, 10026)"))
      << run.out;
  EXPECT_NE(std::string::npos, run.out.find("after:   x none (10005, 10010)")) << run.out;
}

}  // namespace
}  // namespace kcommand_test
