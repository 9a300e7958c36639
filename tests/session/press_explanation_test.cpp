// Why each object ended where it did, read from the host's call trace of a real press:
// the axes the tool placed, the half sizes it read, the distance it set, and the frame
// it took the object into.

#include "press_explanation.h"

#include <gtest/gtest.h>

#include <fstream>

#include "alignment_session.h"
#include "scene_files.h"
#include "temp_folder.h"

namespace kcommand_test {
namespace {

using kcommand::AxisChoice;
using kcommand::AxisMode;
using kcommand::AxisSide;

TEST(PressExplanation, SaysWhatTheToolReadAndSetForEachAxis) {
  khost_test::TempFolder folder;
  const std::string path = folder.Path() + "/room.json";
  std::ofstream(path) << R"({ "objects": [
    { "name": "Table", "position": [0, 40, 0], "halfSize": [80, 40, 50] },
    { "name": "Vase", "position": [300, 0, 7], "halfSize": [10, 15, 10] } ] })";
  auto document = kcommand::ReadSceneDocument(path, {});
  kcommand::AlignmentSession session(KESTRUM_BINARY_DIR "/plugins/kestrum", document->Scene(), path,
                                     nullptr);
  session.Explain(true);
  session.Press({0,
                 size_t{1},
                 {AxisChoice{AxisMode::kCenter, AxisSide::kInside},
                  AxisChoice{AxisMode::kPlus, AxisSide::kOutside}, AxisChoice{}}});
  ASSERT_EQ(session.Explanations().size(), 1u);
  const kcommand::PlacementExplanation& vase = session.Explanations()[0];
  EXPECT_EQ(vase.object, "Vase");
  EXPECT_EQ(vase.reference, "Table");
  ASSERT_EQ(vase.axes.size(), 2u);  // Z is left alone
  const kcommand::AxisExplanation& x = vase.axes[0];
  EXPECT_EQ(x.axis, 0);
  EXPECT_EQ(x.distance, 0);
  EXPECT_FALSE(x.referenceHalf);  // a centred axis reads no half size
  EXPECT_EQ(x.before, 300);
  EXPECT_EQ(x.after, 0);
  const kcommand::AxisExplanation& y = vase.axes[1];
  EXPECT_EQ(y.referenceHalf, 40);
  EXPECT_EQ(y.objectHalf, 15);
  EXPECT_EQ(y.distance, 55);  // on top: the two half heights
  EXPECT_EQ(vase.after.y, 95);
  EXPECT_TRUE(vase.rotationCleared);
  ASSERT_TRUE(vase.frame);
  EXPECT_EQ(vase.frame->offset.y, 40);
}

}  // namespace
}  // namespace kcommand_test
