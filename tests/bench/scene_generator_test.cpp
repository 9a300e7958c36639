// The seeded scene generator: reproducible values, the shape of the scenes it makes, the
// objects it builds in a host document and the scene files it writes.
#include "scene_generator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "host.h"
#include "scene.h"

namespace kbench {
namespace {

bool SameVector(const HostVector& a, const HostVector& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

bool IsThousandths(double value) {
  const double scaled = value * 1000.0;
  return std::fabs(scaled - std::round(scaled)) < 1e-6;
}

TEST(SeededNumbers, FollowTheSplitMix64ReferenceSequence) {
  // The first outputs of the published SplitMix64 reference for seed 0.
  SeededNumbers numbers(0);
  EXPECT_EQ(0xe220a8397b1dcdafULL, numbers.Next());
  EXPECT_EQ(0x6e789e6aa1b965f4ULL, numbers.Next());
  EXPECT_EQ(0x06c45d188009454fULL, numbers.Next());
}

TEST(SeededNumbers, ThousandthsStayInRangeAndReachBothEnds) {
  SeededNumbers numbers(7);
  std::set<double> seen;
  for (int i = 0; i < 300; ++i) {
    const double value = numbers.Thousandths(-0.001, 0.001);
    ASSERT_GE(value, -0.001);
    ASSERT_LE(value, 0.001);
    seen.insert(value);
  }
  EXPECT_EQ((std::set<double>{-0.001, 0.0, 0.001}), seen);
}

class GeneratedScenes : public testing::Test {
 protected:
  static SceneGeneratorOptions Options(uint64_t seed, size_t objects, size_t perGroup) {
    SceneGeneratorOptions options;
    options.seed = seed;
    options.selectedObjects = objects;
    options.objectsPerGroup = perGroup;
    return options;
  }
};

TEST_F(GeneratedScenes, TheSameSeedGivesTheSameSceneAndAnotherSeedDoesNot) {
  const GeneratedScene first = GenerateScene(Options(5, 50, 0));
  const GeneratedScene again = GenerateScene(Options(5, 50, 0));
  const GeneratedScene other = GenerateScene(Options(6, 50, 0));
  ASSERT_EQ(first.objects.size(), again.objects.size());
  size_t differences = 0;
  for (size_t i = 0; i < first.objects.size(); ++i) {
    EXPECT_EQ(first.objects[i].name, again.objects[i].name);
    EXPECT_TRUE(SameVector(first.objects[i].position, again.objects[i].position)) << i;
    EXPECT_TRUE(SameVector(first.objects[i].halfSize, again.objects[i].halfSize)) << i;
    if (!SameVector(first.objects[i].position, other.objects[i].position)) ++differences;
  }
  EXPECT_GT(differences, 45u);
}

TEST_F(GeneratedScenes, FlatScenesHoldTheReferenceFirstThenTheSelectedObjects) {
  const GeneratedScene scene = GenerateScene(Options(1, 20, 0));
  ASSERT_EQ(21u, scene.objects.size());
  EXPECT_EQ(0u, scene.reference);
  EXPECT_FALSE(scene.objects[0].selected);
  std::set<std::string> names;
  for (const GeneratedObject& object : scene.objects) {
    EXPECT_EQ(GeneratedScene::kNoParent, object.parent);
    names.insert(object.name);
  }
  for (size_t i = 1; i < scene.objects.size(); ++i) EXPECT_TRUE(scene.objects[i].selected);
  EXPECT_EQ(21u, names.size()) << "names are unique";
}

TEST_F(GeneratedScenes, GroupedScenesPutAtMostThatManySelectedObjectsUnderEachGroup) {
  // 10 objects, 4 per group: groups of 4, 4 and 2.
  const GeneratedScene scene = GenerateScene(Options(1, 10, 4));
  ASSERT_EQ(1u + 3u + 10u, scene.objects.size());
  std::vector<size_t> childrenOfGroup;
  size_t selected = 0;
  for (size_t i = 1; i < scene.objects.size(); ++i) {
    const GeneratedObject& object = scene.objects[i];
    if (object.parent == GeneratedScene::kNoParent) {
      EXPECT_FALSE(object.selected) << object.name;
      childrenOfGroup.push_back(0);
    } else {
      EXPECT_TRUE(object.selected);
      EXPECT_LT(object.parent, i) << "parents come first";
      EXPECT_EQ(GeneratedScene::kNoParent, scene.objects[object.parent].parent);
      ++childrenOfGroup.back();
      ++selected;
    }
  }
  EXPECT_EQ((std::vector<size_t>{4, 4, 2}), childrenOfGroup);
  EXPECT_EQ(10u, selected);
}

TEST_F(GeneratedScenes, ValuesAreThousandthsWithinTheirRanges) {
  const GeneratedScene scene = GenerateScene(Options(3, 200, 0));
  for (const GeneratedObject& object : scene.objects) {
    for (double v : {object.position.x, object.position.y, object.position.z}) {
      EXPECT_TRUE(IsThousandths(v));
      EXPECT_LE(std::fabs(v), 1000.0);
    }
    for (double v : {object.rotationDegrees.x, object.rotationDegrees.y, object.rotationDegrees.z})
      EXPECT_LE(std::fabs(v), 180.0);
    for (double v : {object.scale.x, object.scale.y, object.scale.z}) {
      EXPECT_GE(v, 0.5);
      EXPECT_LE(v, 2.0);
    }
    for (double v : {object.halfSize.x, object.halfSize.y, object.halfSize.z}) {
      EXPECT_TRUE(IsThousandths(v));
      EXPECT_GT(v, 0.0);
    }
  }
}

TEST_F(GeneratedScenes, BuildingPutsEveryObjectIntoTheDocumentAsGenerated) {
  khost::Host host;
  khost::Scene& hostScene = host.scene();
  HostDocument* document = hostScene.NewDocument("generated");
  const GeneratedScene scene = GenerateScene(Options(9, 12, 5));
  const std::vector<HostObject*> built = BuildScene(hostScene, document, scene);
  ASSERT_EQ(scene.objects.size(), built.size());
  EXPECT_EQ(scene.objects.size(), hostScene.LiveObjectCount(document));
  for (size_t i = 0; i < built.size(); ++i) {
    const GeneratedObject& from = scene.objects[i];
    EXPECT_EQ(from.name, hostScene.Name(built[i]));
    EXPECT_TRUE(SameVector(from.position, hostScene.Position(built[i]))) << from.name;
    EXPECT_TRUE(SameVector(from.halfSize, hostScene.HalfSizes(built[i]))) << from.name;
    EXPECT_EQ(from.selected, hostScene.Selected(built[i])) << from.name;
    const HostVector scale = hostScene.Scale(built[i]);
    EXPECT_NEAR(from.scale.x, scale.x, 1e-12);
    EXPECT_NEAR(from.scale.z, scale.z, 1e-12);
    HostObject* parent = from.parent == GeneratedScene::kNoParent ? nullptr : built[from.parent];
    EXPECT_EQ(parent, hostScene.Parent(built[i])) << from.name;
  }
  EXPECT_EQ(12u, hostScene.SelectedObjects(document)->size());
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(GeneratedScenes, SceneFilesNestChildrenAndCarryTheToolSettings) {
  SceneGeneratorOptions options = Options(4, 5, 3);
  options.axisX = "minus:outside";
  options.axisY = "center";
  options.axisZ = "plus";
  const GeneratedScene scene = GenerateScene(options);
  const nlohmann::json file = nlohmann::json::parse(SceneFileText(scene));

  EXPECT_EQ(1, file.at("version"));
  const nlohmann::json& objects = file.at("objects");
  // The reference and two groups (3 + 2 children).
  ASSERT_EQ(3u, objects.size());
  EXPECT_EQ("Reference", objects[0].at("name"));
  EXPECT_FALSE(objects[0].contains("children"));
  EXPECT_FALSE(objects[0].contains("selected"));
  ASSERT_EQ(3u, objects[1].at("children").size());
  ASSERT_EQ(2u, objects[2].at("children").size());
  const nlohmann::json& first = objects[1].at("children")[0];
  EXPECT_EQ("Object 1", first.at("name"));
  EXPECT_EQ(true, first.at("selected"));
  const GeneratedObject& generated = scene.objects[2];
  ASSERT_EQ("Object 1", generated.name);
  EXPECT_EQ(generated.position.x, first.at("position")[0].get<double>());
  EXPECT_EQ(generated.rotationDegrees.y, first.at("rotation")[1].get<double>());
  EXPECT_EQ(generated.halfSize.z, first.at("halfSize")[2].get<double>());

  const nlohmann::json& tool = file.at("tool");
  EXPECT_EQ("Reference", tool.at("reference"));
  EXPECT_EQ("minus:outside", tool.at("x"));
  EXPECT_EQ("center", tool.at("y"));
  EXPECT_EQ("plus", tool.at("z"));
}

}  // namespace
}  // namespace kbench
