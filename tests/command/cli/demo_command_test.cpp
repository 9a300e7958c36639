// kestrum demo: the banner, what moved and the picture.

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

TEST_F(CommandRun, DemoPrintsTheBannerAndWhatMovedAndWritesItsPicture) {
  const Outcome run = Kestrum({"demo"});
  ASSERT_EQ(0, run.status) << run.err;
  EXPECT_NE(std::string::npos, run.out.find("Kestrum")) << run.out;
  for (const char* object : {"Vase", "Books", "Chair", "Lamp"})
    EXPECT_NE(std::string::npos, run.out.find(std::string("\n") + object + " ")) << object;
  EXPECT_NE(std::string::npos, run.out.find("picture written to kestrum-demo.svg"));
  const std::string svg = Contents(Path("kestrum-demo.svg"));
  // The vase ends centred on the table top: table centre y 40, half heights 40 and 15.
  const auto vase = PolygonPoints(svg, "front", "after", "Vase");
  ASSERT_FALSE(vase.empty());
  double minV = 1e300;
  for (const auto& point : vase) minV = std::min(minV, point.second);
  EXPECT_NEAR(80, minV, 1e-9);
}

}  // namespace
}  // namespace kcommand_test
