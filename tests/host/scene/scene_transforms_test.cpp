// Object transforms through the host operations: positions, rotations, world matrices
// under parents, and exact read-back of a world matrix that was set.
#include <gtest/gtest.h>

#include <numbers>
#include <random>

#include "host.h"
#include "host_fixture.h"
#include "host_operations.h"
#include "scene.h"
#include "scene_call_text.h"
#include "transform.h"

namespace khost {

using kestrum::ComposeTransform;
using kestrum::IdentityMatrix;
using kestrum::Multiply;
using kestrum::SameBits;
namespace {

class SceneTransforms : public testing::Test {
 protected:
  Host host;
  Scene& scene = host.scene();
  HostDocument* document = scene.NewDocument("Transforms");

  HostVector GetPosition(HostObject* object) {
    HostVector out{-1, -1, -1};
    host_ops::ObjectGetPosition(object, &out);
    return out;
  }
  HostMatrix GetWorld(HostObject* object) {
    HostMatrix out{};
    host_ops::ObjectGetGlobalMatrix(object, &out);
    return out;
  }
  // A parent under a grandparent, both turned and scaled unevenly.
  HostObject* TwistedParent() {
    HostObject* grandparent = scene.NewObject(document, "Grandparent");
    scene.SetScale(grandparent, {1.5, 0.25, 2});
    scene.SetRotation(grandparent, {-0.4, 0.9, 0.2});
    scene.SetPosition(grandparent, {-3, 7, 0.5});
    HostObject* parent = scene.NewObject(document, "Parent", grandparent);
    scene.SetScale(parent, {2, 0.5, 3});
    scene.SetRotation(parent, {0.3, -1.1, 2.0});
    scene.SetPosition(parent, {1, -2, 3});
    return parent;
  }
};

void ExpectSameBits(const HostMatrix& actual, const HostMatrix& expected) {
  EXPECT_TRUE(SameBits(actual, expected))
      << "actual   " << MatrixText(actual) << "\nexpected " << MatrixText(expected);
}

TEST_F(SceneTransforms, PositionReadsBackWhatWasSet) {
  HostObject* cube = scene.NewObject(document, "Cube");
  const HostVector position{1.25, -0.0, 1e300};
  host_ops::ObjectSetPosition(cube, &position);
  EXPECT_TRUE(SameBits(GetPosition(cube), position));
}

TEST_F(SceneTransforms, WorldMatrixReflectsAPositionSetJustBefore) {
  HostObject* parent = scene.NewObject(document, "Parent");
  scene.SetScale(parent, {2, 2, 2});
  scene.SetPosition(parent, {1, 0, 0});
  HostObject* child = scene.NewObject(document, "Child", parent);
  EXPECT_TRUE(SameBits(GetWorld(child).offset, HostVector{1, 0, 0}));
  const HostVector position{1, 1, 1};
  host_ops::ObjectSetPosition(child, &position);
  // Parent scale 2 doubles the local offset, then the parent's offset is added.
  const HostMatrix expected{{3, 2, 2}, {2, 0, 0}, {0, 2, 0}, {0, 0, 2}};
  ExpectSameBits(GetWorld(child), expected);
}

TEST_F(SceneTransforms, SetRotationKeepsPositionAndScale) {
  HostObject* cube = scene.NewObject(document, "Cube");
  scene.SetScale(cube, {2, 3, 4});
  scene.SetPosition(cube, {5, 6, 7});
  const HostVector quarterTurnAboutZ{0, 0, std::numbers::pi / 2};
  host_ops::ObjectSetRotation(cube, &quarterTurnAboutZ);
  const HostMatrix world = GetWorld(cube);
  EXPECT_TRUE(SameBits(world.offset, HostVector{5, 6, 7}));
  EXPECT_NEAR(world.axisX.x, 0, 1e-15);
  EXPECT_EQ(world.axisX.y, 2);
  EXPECT_EQ(world.axisY.x, -3);
  EXPECT_NEAR(world.axisY.y, 0, 1e-15);
  EXPECT_TRUE(SameBits(world.axisZ, HostVector{0, 0, 4}));
  EXPECT_TRUE(SameBits(scene.Rotation(cube), quarterTurnAboutZ));
  EXPECT_TRUE(SameBits(scene.Scale(cube), HostVector{2, 3, 4}));
}

TEST_F(SceneTransforms, ZeroRotationAfterATurnLeavesOnlyTheScale) {
  HostObject* cube = scene.NewObject(document, "Cube");
  scene.SetScale(cube, {2, 3, 4});
  scene.SetRotation(cube, {0.5, 0.6, 0.7});
  const HostVector zero{0, 0, 0};
  host_ops::ObjectSetRotation(cube, &zero);
  ExpectSameBits(scene.LocalMatrix(cube), HostMatrix{{0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {0, 0, 4}});
}

TEST_F(SceneTransforms, WorldSetUnderATwistedParentReadsBackBitForBit) {
  HostObject* parent = TwistedParent();
  std::mt19937_64 random(4242);
  std::uniform_real_distribution<double> value(-5.0, 5.0);
  for (int i = 0; i < 100; ++i) {
    HostObject* child = scene.NewObject(document, "Child" + std::to_string(i), parent);
    const HostMatrix wanted =
        ComposeTransform({value(random), value(random), value(random)},
                         {value(random), value(random), value(random)}, {1.5, 0.75, 2.5});
    host_ops::ObjectSetGlobalMatrix(child, &wanted);
    SCOPED_TRACE(i);
    ExpectSameBits(GetWorld(child), wanted);
  }
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(SceneTransforms, ExactWorldSurvivesChangesElsewhere) {
  HostObject* parent = TwistedParent();
  HostObject* child = scene.NewObject(document, "Child", parent);
  HostObject* bystander = scene.NewObject(document, "Bystander");
  const HostMatrix wanted{{0.1, 0.2, 0.3}, {0.7, 0.1, 0.3}, {-0.2, 0.9, 0.4}, {0.3, 0.3, -0.8}};
  host_ops::ObjectSetGlobalMatrix(child, &wanted);
  scene.SetPosition(bystander, {9, 9, 9});
  GetWorld(bystander);
  ExpectSameBits(GetWorld(child), wanted);
  // Reading the parent in between must not disturb the child's exact matrix.
  GetWorld(parent);
  ExpectSameBits(GetWorld(child), wanted);
}

TEST_F(SceneTransforms, MovingTheParentCarriesTheChildAlong) {
  HostObject* parent = TwistedParent();
  HostObject* child = scene.NewObject(document, "Child", parent);
  const HostMatrix wanted = ComposeTransform({1, 2, 3}, {0.1, 0.2, 0.3}, {1, 1, 1});
  host_ops::ObjectSetGlobalMatrix(child, &wanted);
  scene.SetPosition(parent, {100, 0, 0});
  const HostMatrix expected = Multiply(scene.WorldMatrix(parent), scene.LocalMatrix(child));
  ExpectSameBits(GetWorld(child), expected);
  EXPECT_GT(GetWorld(child).offset.x, wanted.offset.x + 10);
}

TEST_F(SceneTransforms, TopLevelWorldSetDerivesRotationAndScale) {
  HostObject* cube = scene.NewObject(document, "Cube");
  const HostMatrix wanted = ComposeTransform({1, 2, 3}, {0.1, 0.2, 0.3}, {2, 3, 4});
  host_ops::ObjectSetGlobalMatrix(cube, &wanted);
  ExpectSameBits(scene.LocalMatrix(cube), wanted);
  const HostVector rotation = scene.Rotation(cube);
  EXPECT_NEAR(rotation.x, 0.1, 1e-12);
  EXPECT_NEAR(rotation.y, 0.2, 1e-12);
  EXPECT_NEAR(rotation.z, 0.3, 1e-12);
  const HostVector scale = scene.Scale(cube);
  EXPECT_NEAR(scale.x, 2, 1e-12);
  EXPECT_NEAR(scale.y, 3, 1e-12);
  EXPECT_NEAR(scale.z, 4, 1e-12);
}

TEST_F(SceneTransforms, SingularParentRefusesAWorldMatrix) {
  HostObject* parent = scene.NewObject(document, "Flat");
  scene.SetScale(parent, {1, 0, 1});
  HostObject* child = scene.NewObject(document, "Child", parent);
  scene.SetPosition(child, {1, 2, 3});
  const HostMatrix wanted = IdentityMatrix();
  host_ops::ObjectSetGlobalMatrix(child, &wanted);
  EXPECT_TRUE(host.misuse().Mentions("cannot be inverted"));
  EXPECT_TRUE(SameBits(GetPosition(child), HostVector{1, 2, 3}));
}

TEST_F(SceneTransforms, MillionDeepIsNotNeededButHundredThousandDeepWorks) {
  HostObject* tip = nullptr;
  for (int i = 0; i < 100000; ++i) {
    tip = scene.NewObject(document, "Link", tip);
    scene.SetPosition(tip, {1, 0, 0});
  }
  EXPECT_EQ(GetWorld(tip).offset.x, 100000.0);
  scene.SetPosition(scene.FindByName(document, "Link"), {-5, 0, 0});
  EXPECT_EQ(GetWorld(tip).offset.x, 99994.0);
}

TEST_F(SceneTransforms, BoxRadiusIsTheHalfSizes) {
  HostObject* cube = scene.NewObject(document, "Cube");
  scene.SetHalfSizes(cube, {0.5, 2, 8});
  scene.SetScale(cube, {3, 3, 3});
  HostVector radius{};
  host_ops::ObjectGetBoxRadius(cube, &radius);
  EXPECT_TRUE(SameBits(radius, HostVector{0.5, 2, 8}));
}

TEST_F(SceneTransforms, OperationsAreReachableThroughTheCallTable) {
  HostObject* cube = scene.NewObject(document, "Cube");
  scene.SetPosition(cube, {4, 5, 6});
  auto get =
      reinterpret_cast<ObjectGetPositionFunction>(host.OperationSlot(kTableObject, 12).function);
  HostVector out{};
  get(cube, &out);
  EXPECT_TRUE(SameBits(out, HostVector{4, 5, 6}));
}

TEST_F(SceneTransforms, TraceShowsObjectsByNameAndExactNumbers) {
  HostObject* cube = scene.NewObject(document, "Cube");
  host.trace().Enable(true);
  const HostVector position{0.1, -2, 3};
  // Through the call table, as the module calls it: that is where calls are traced.
  khost_test::table::ObjectSetPosition(host)(cube, &position);
  ASSERT_EQ(host.trace().Calls().size(), 1u);
  EXPECT_EQ(host.trace().Calls()[0], "ObjectSetPosition(\"Cube\", (0.1, -2, 3))");
}

TEST_F(SceneTransforms, DeletedOrForeignObjectsAreReportedNotFollowed) {
  HostObject* cube = scene.NewObject(document, "Cube");
  scene.DeleteObject(cube);
  const HostVector position{1, 2, 3};
  host_ops::ObjectSetPosition(cube, &position);
  EXPECT_TRUE(host.misuse().Mentions("ObjectSetPosition: the object \"Cube\" was deleted"));
  int notAnObject = 0;
  HostVector out{7, 7, 7};
  host_ops::ObjectGetPosition(reinterpret_cast<HostObject*>(&notAnObject), &out);
  EXPECT_TRUE(host.misuse().Mentions("ObjectGetPosition: not an object of this host"));
  EXPECT_TRUE(SameBits(out, HostVector{0, 0, 0}));
}

}  // namespace
}  // namespace khost
