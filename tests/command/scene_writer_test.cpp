// Writing scenes: what is written reads back as the same scene, and files are put in
// place whole or not at all.

#include "scene_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "input_error.h"
#include "scene_reader.h"
#include "temp_folder.h"

namespace kcommand {
namespace {

SceneObject Object(std::string name, Vector3 position, Vector3 halfSize) {
  SceneObject object;
  object.name = std::move(name);
  object.position = position;
  object.halfSize = halfSize;
  return object;
}

std::string Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(SceneWriter, WhatIsWrittenReadsBackUnchanged) {
  SceneFile scene;
  scene.comment = "two boxes";
  SceneObject table = Object("Table", {0.1, 40, -3e-5}, {80, 40, 50});
  table.rotationDegrees = {0, 30, -12.5};
  table.scale = {1, 2, 0.25};
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
  SceneFile again = ParseSceneText(text, "written.json");
  ASSERT_EQ(2u, again.objects.size());
  const SceneObject& readTable = again.objects[0];
  EXPECT_EQ(table.position, readTable.position);
  EXPECT_EQ(table.rotationDegrees, readTable.rotationDegrees);
  EXPECT_EQ(table.scale, readTable.scale);
  EXPECT_EQ(table.halfSize, readTable.halfSize);
  EXPECT_FALSE(readTable.selected);
  ASSERT_EQ(1u, readTable.children.size());
  EXPECT_EQ("Leg", readTable.children[0].name);
  EXPECT_EQ(leg.comment, readTable.children[0].comment);
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
  SceneFile scene;
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

TEST(AtomicWrite, ReplacesTheFileAndLeavesNothingElseBehind) {
  khost_test::TempFolder folder;
  const std::string path = folder.Write("out.json", "old");
  WriteFileAtomically(path, "new content");
  EXPECT_EQ("new content", Contents(path));
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(1u, files);
}

TEST(AtomicWrite, AFolderThatIsNotThereIsAnInputError) {
  khost_test::TempFolder folder;
  const std::string path = folder.Path() + "/no/such/folder/out.json";
  EXPECT_THROW(WriteFileAtomically(path, "x"), InputError);
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace kcommand
