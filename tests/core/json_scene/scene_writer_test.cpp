// Writing scenes: what is written reads back as the same scene.

#include "scene_writer.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

#include "input_error.h"
#include "scene_reader.h"

namespace kcommand {
namespace {

SceneObject Object(std::string name, Vector3 position, Vector3 halfSize) {
  SceneObject object;
  object.name = std::move(name);
  object.position = position;
  object.halfSize = halfSize;
  return object;
}

TEST(SceneWriter, WhatIsWrittenReadsBackUnchanged) {
  SceneModel scene;
  scene.comment = "two boxes";
  SceneObject table = Object("Table", {0.1, 40, -3e-5}, {80, 40, 50});
  table.rotationDegrees = {0, 30, -12.5};
  table.scale = {1, 2, 0.25};
  table.boxCentre = Vector3{0, 40, -2.5};
  SceneObject leg = Object("Leg", {-70, -20, 40}, {3, 20, 3});
  leg.selected = true;
  leg.comment = "has [1, 2, 3] in a comment";
  table.children.push_back(leg);
  scene.objects.push_back(table);
  scene.objects.push_back(Object("Floor", {0, 0, 0}, {300, 0, 300}));
  scene.tool.reference = "Table";
  scene.tool.object = "Table/Leg";
  scene.tool.axes[1] = AxisChoice{AxisMode::kPlus, AxisSide::kOutside};

  const std::string text = SceneToText(scene);
  SceneModel again = ParseSceneText(text, "written.json");
  ASSERT_EQ(2u, again.objects.size());
  const SceneObject& readTable = again.objects[0];
  EXPECT_EQ(table.position, readTable.position);
  EXPECT_EQ(table.rotationDegrees, readTable.rotationDegrees);
  EXPECT_EQ(table.scale, readTable.scale);
  EXPECT_EQ(table.halfSize, readTable.halfSize);
  ASSERT_TRUE(readTable.boxCentre);
  EXPECT_EQ(*table.boxCentre, *readTable.boxCentre);
  EXPECT_FALSE(again.objects[1].boxCentre);
  EXPECT_FALSE(readTable.selected);
  ASSERT_EQ(1u, readTable.children.size());
  EXPECT_EQ("Leg", readTable.children[0].name);
  ASSERT_TRUE(readTable.children[0].comment);
  EXPECT_EQ(*leg.comment, *readTable.children[0].comment);
  EXPECT_TRUE(readTable.children[0].selected);
  EXPECT_EQ((Vector3{300, 0, 300}), again.objects[1].halfSize);
  EXPECT_EQ("two boxes", again.comment);
  EXPECT_EQ("Table/Leg", again.tool.object.value_or(""));
  EXPECT_EQ(scene.tool.axes[1], again.tool.axes[1]);
  EXPECT_FALSE(again.tool.axes[0].has_value());
  // Vectors on one line; comment text untouched.
  EXPECT_NE(std::string::npos, text.find("\"halfSize\": [80.0, 40.0, 50.0]"));
  EXPECT_NE(std::string::npos, text.find("has [1, 2, 3] in a comment"));
}

TEST(SceneWriter, RoundsAnglesToABillionthOfADegreeAndDropsNegativeZero) {
  SceneModel scene;
  SceneObject box = Object("Box", {-0.0, 1, 2}, {1, 1, 1});
  box.rotationDegrees = {29.999999999999996, -0.0, 1e-12};
  scene.objects.push_back(box);
  // Scaled by a billion these would overflow; they are written as they are.
  box.rotationDegrees = {1e300, -1.7976931348623157e308, 0.5};
  scene.objects.push_back(box);
  const std::string text = SceneToText(scene);
  EXPECT_NE(std::string::npos, text.find("\"rotation\": [30.0, 0.0, 0.0]")) << text;
  EXPECT_NE(std::string::npos, text.find("\"rotation\": [1e+300, -1.7976931348623157e+308, 0.5]"))
      << text;
  EXPECT_NE(std::string::npos, text.find("\"position\": [0.0, 1.0, 2.0]")) << text;
}

// Layout: plain digits from 1e-4 up to 1e15 (not included), with ".0" on whole numbers; exponents
// beyond; the fewest digits that read back to the same double.
TEST(SceneWriter, WritesNumbersInTheFewestDigitsThatReadBackTheSame) {
  const std::pair<double, const char*> cases[] = {
      {1.245726, "1.245726"},  // some shortest-digit methods write 1.2457260000000001
      {7, "7.0"},
      {-2.5, "-2.5"},
      {0.0001, "0.0001"},
      {0.00001, "1e-05"},
      {1e14, "100000000000000.0"},
      {1e15, "1e+15"},
      {123456789012345680000.0, "1.2345678901234568e+20"},
      {5e-324, "5e-324"},
      {1.7976931348623157e308, "1.7976931348623157e+308"},
      {0.1 + 0.2, "0.30000000000000004"},
  };
  for (const auto& [value, expected] : cases) {
    SceneModel scene;
    scene.objects.push_back(Object("Box", {value, 0, 0}, {0, 0, 0}));
    const std::string text = SceneToText(scene);
    EXPECT_NE(std::string::npos,
              text.find(std::string("\"position\": [") + expected + ", 0.0, 0.0]"))
        << expected << "\n"
        << text;
  }
  // Any double, written and read back, is the same bits.
  std::mt19937_64 random(7);
  SceneModel scene;
  for (int i = 0; i < 2000; ++i) {
    Vector3 position;
    for (double& v : position) {
      do v = std::bit_cast<double>(random());
      while (!std::isfinite(v) || v == 0);
    }
    scene.objects.push_back(Object("Box", position, {0, 0, 0}));
  }
  const SceneModel again = ParseSceneText(SceneToText(scene), "written.json");
  for (size_t i = 0; i < scene.objects.size(); ++i)
    for (size_t axis = 0; axis < 3; ++axis)
      ASSERT_EQ(std::bit_cast<uint64_t>(scene.objects[i].position[axis]),
                std::bit_cast<uint64_t>(again.objects[i].position[axis]))
          << scene.objects[i].position[axis];
}

}  // namespace
}  // namespace kcommand
