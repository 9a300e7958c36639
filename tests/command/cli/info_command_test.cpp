// kestrum info: the registered tool and a clean unload.

#include <gtest/gtest.h>

#include "cli/command_run.h"

namespace kcommand_test {
namespace {

TEST_F(CommandRun, InfoShowsTheRegisteredToolAndAFullUnload) {
  const Outcome run = Kestrum({"info"});
  ASSERT_EQ(0, run.status) << run.err;
  for (const char* text : {"id:          1029646", "name:        Kestrum", "icon:        32 x 32",
                           "description: Kestrum", "unloaded: nothing left allocated"})
    EXPECT_NE(std::string::npos, run.out.find(text)) << text << "\n" << run.out;
}

}  // namespace
}  // namespace kcommand_test
