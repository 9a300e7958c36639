// kestrum demo: the banner, what moved and the picture.

#include <gtest/gtest.h>

#include <algorithm>

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
  // The pile of books: Books on the table (top 80 + 8), then the red (5 high), the green
  // (6) and the blue book, each on the one before: the blue one's bottom at 99.
  EXPECT_NE(std::string::npos, run.out.find("stacked BookRed, BookGreen and BookBlue on Books"))
      << run.out;
  const auto blue = PolygonPoints(svg, "front", "after", "BookBlue");
  ASSERT_FALSE(blue.empty());
  double blueBottom = 1e300;
  for (const auto& point : blue) blueBottom = std::min(blueBottom, point.second);
  EXPECT_NEAR(99, blueBottom, 1e-6);
}

}  // namespace
}  // namespace kcommand_test
