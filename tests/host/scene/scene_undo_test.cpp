// Undo groups through the host operations: one group is one step, undo and redo bring
// back every bit, and misuse is reported instead of followed.
#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <ostream>
#include <random>
#include <vector>

#include "host.h"
#include "host_operations.h"
#include "scene.h"
#include "transform.h"

namespace khost {

using kestrum::ComposeTransform;
using kestrum::SameBits;
namespace {

// Everything a caller can read back about an object.
struct Observed {
  HostVector position, rotation, scale, halfSizes;
  HostMatrix local, world;
  bool selected;
  HostObject* parent;
};

class SceneUndo : public testing::Test {
 protected:
  Host host;
  Scene& scene = host.scene();
  HostDocument* document = scene.NewDocument("Undo");

  Observed Observe(HostObject* object) {
    return Observed{scene.Position(object),  scene.Rotation(object),    scene.Scale(object),
                    scene.HalfSizes(object), scene.LocalMatrix(object), scene.WorldMatrix(object),
                    scene.Selected(object),  scene.Parent(object)};
  }
  std::vector<Observed> ObserveAll(const std::vector<HostObject*>& objects) {
    std::vector<Observed> all;
    for (HostObject* object : objects) all.push_back(Observe(object));
    return all;
  }
  // One undo step for each x: the object recorded, then moved to (x, 0, 0).
  static void MoveInSteps(Scene& in, HostDocument* where, HostObject* object,
                          std::initializer_list<double> xs) {
    for (double x : xs) {
      host_ops::DocumentBeginUndo(where);
      EXPECT_EQ(host_ops::DocumentAddUndo(where, 40, object), 1);
      in.SetPosition(object, {x, 0, 0});
      host_ops::DocumentEndUndo(where);
    }
  }
  static void ExpectSame(const std::vector<Observed>& actual,
                         const std::vector<Observed>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_TRUE(SameBits(actual[i].position, expected[i].position));
      EXPECT_TRUE(SameBits(actual[i].rotation, expected[i].rotation));
      EXPECT_TRUE(SameBits(actual[i].scale, expected[i].scale));
      EXPECT_TRUE(SameBits(actual[i].halfSizes, expected[i].halfSizes));
      EXPECT_TRUE(SameBits(actual[i].local, expected[i].local));
      EXPECT_TRUE(SameBits(actual[i].world, expected[i].world));
      EXPECT_EQ(actual[i].selected, expected[i].selected);
      EXPECT_EQ(actual[i].parent, expected[i].parent);
    }
  }
};

TEST_F(SceneUndo, UndoAndRedoRestoreManyObjectsBitForBit) {
  std::mt19937_64 random(99);
  std::uniform_real_distribution<double> value(-3.0, 3.0);
  const auto randomVector = [&] { return HostVector{value(random), value(random), value(random)}; };
  std::vector<HostObject*> objects;
  for (int i = 0; i < 2000; ++i) {
    HostObject* parent = i % 3 == 0 || objects.empty()
                             ? nullptr
                             : objects[static_cast<size_t>(random() % objects.size())];
    HostObject* object = scene.NewObject(document, "Object" + std::to_string(i), parent);
    scene.SetScale(object, {1 + value(random) * 0.1, 1.5, 0.5});
    scene.SetRotation(object, randomVector());
    scene.SetPosition(object, randomVector());
    if (i % 5 == 0) {
      const HostMatrix world = ComposeTransform(randomVector(), randomVector(), {1, 2, 3});
      scene.SetWorldMatrix(object, world);
    }
    scene.SetSelected(object, i % 2 == 0);
    objects.push_back(object);
  }
  const std::vector<Observed> before = ObserveAll(objects);

  host_ops::DocumentBeginUndo(document);
  for (HostObject* object : objects) ASSERT_EQ(host_ops::DocumentAddUndo(document, 40, object), 1);
  for (size_t i = 0; i < objects.size(); ++i) {
    const HostVector position = randomVector();
    host_ops::ObjectSetPosition(objects[i], &position);
    const HostVector zero{0, 0, 0};
    host_ops::ObjectSetRotation(objects[i], &zero);
    // Scale too, so that every part of the state differs between the two sides.
    if (i % 3 == 1) scene.SetScale(objects[i], {0.5 + value(random) * 0.1, 2, 1.25});
    if (i % 4 == 0) {
      const HostMatrix world = ComposeTransform(randomVector(), randomVector(), {2, 1, 1});
      host_ops::ObjectSetGlobalMatrix(objects[i], &world);
    }
    scene.SetSelected(objects[i], i % 3 == 0);
  }
  host_ops::DocumentEndUndo(document);
  const std::vector<Observed> after = ObserveAll(objects);
  EXPECT_EQ(scene.UndoSteps(document), 1u);

  ASSERT_TRUE(scene.Undo(document));
  ExpectSame(ObserveAll(objects), before);
  ASSERT_TRUE(scene.Redo(document));
  ExpectSame(ObserveAll(objects), after);
  ASSERT_TRUE(scene.Undo(document));
  ExpectSame(ObserveAll(objects), before);
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(SceneUndo, ExactWorldOfAChildComesBackAfterItsParentIsRestored) {
  HostObject* parent = scene.NewObject(document, "Parent");
  scene.SetRotation(parent, {0.3, 0.2, 0.1});
  scene.SetScale(parent, {2, 1, 0.5});
  HostObject* child = scene.NewObject(document, "Child", parent);
  const HostMatrix exact = ComposeTransform({1, 2, 3}, {1, 2, 3}, {1, 1, 1});
  scene.SetWorldMatrix(child, exact);
  host_ops::DocumentBeginUndo(document);
  host_ops::DocumentAddUndo(document, 40, parent);
  scene.SetPosition(parent, {5, 5, 5});
  host_ops::DocumentEndUndo(document);
  ASSERT_TRUE(scene.Undo(document));
  EXPECT_TRUE(SameBits(scene.WorldMatrix(child), exact));
}

TEST_F(SceneUndo, NestedGroupsMakeOneStepAndEmptyGroupsNone) {
  HostObject* cube = scene.NewObject(document, "Cube");
  host_ops::DocumentBeginUndo(document);
  host_ops::DocumentBeginUndo(document);
  EXPECT_EQ(scene.UndoDepth(document), 2);
  host_ops::DocumentAddUndo(document, 40, cube);
  scene.SetPosition(cube, {1, 0, 0});
  host_ops::DocumentEndUndo(document);
  EXPECT_EQ(scene.UndoSteps(document), 0u);
  host_ops::DocumentAddUndo(document, 40, cube);
  scene.SetPosition(cube, {2, 0, 0});
  host_ops::DocumentEndUndo(document);
  EXPECT_EQ(scene.UndoSteps(document), 1u);
  host_ops::DocumentBeginUndo(document);
  host_ops::DocumentEndUndo(document);
  EXPECT_EQ(scene.UndoSteps(document), 1u);
  ASSERT_TRUE(scene.Undo(document));
  EXPECT_TRUE(SameBits(scene.Position(cube), HostVector{0, 0, 0}));
  EXPECT_FALSE(scene.Undo(document));
  EXPECT_TRUE(scene.CheckNoUndoGroupOpen());
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(SceneUndo, AnObjectRecordedTwiceReturnsToItsFirstState) {
  HostObject* cube = scene.NewObject(document, "Cube");
  host_ops::DocumentBeginUndo(document);
  host_ops::DocumentAddUndo(document, 40, cube);
  scene.SetPosition(cube, {1, 0, 0});
  host_ops::DocumentAddUndo(document, 40, cube);
  scene.SetPosition(cube, {2, 0, 0});
  host_ops::DocumentEndUndo(document);
  ASSERT_TRUE(scene.Undo(document));
  EXPECT_TRUE(SameBits(scene.Position(cube), HostVector{0, 0, 0}));
  ASSERT_TRUE(scene.Redo(document));
  EXPECT_TRUE(SameBits(scene.Position(cube), HostVector{2, 0, 0}));
}

TEST_F(SceneUndo, ANewStepDropsTheRedoSteps) {
  HostObject* cube = scene.NewObject(document, "Cube");
  MoveInSteps(scene, document, cube, {1.0, 2.0});
  ASSERT_TRUE(scene.Undo(document));
  EXPECT_EQ(scene.RedoSteps(document), 1u);
  MoveInSteps(scene, document, cube, {3.0});
  EXPECT_EQ(scene.RedoSteps(document), 0u);
  EXPECT_FALSE(scene.Redo(document));
  EXPECT_EQ(scene.UndoSteps(document), 2u);
}

// A step made after an undo reuses room the dropped steps had: it holds only its own
// records, so undoing it leaves every other object as it stands.
TEST_F(SceneUndo, AStepInRecycledRoomRestoresOnlyWhatItRecorded) {
  HostObject* cube = scene.NewObject(document, "Cube");
  HostObject* ball = scene.NewObject(document, "Ball");
  for (int round = 0; round < 3; ++round) {
    MoveInSteps(scene, document, cube, {1.0 + round, 2.0 + round});
    ASSERT_TRUE(scene.Undo(document));
    ASSERT_TRUE(scene.Undo(document));
    scene.SetPosition(cube, {-7, 0, 0});
    MoveInSteps(scene, document, ball, {5.0 + round});
    ASSERT_TRUE(scene.Undo(document));
    EXPECT_TRUE(SameBits(scene.Position(cube), HostVector{-7, 0, 0})) << "round " << round;
    EXPECT_TRUE(SameBits(scene.Position(ball), HostVector{0, 0, 0})) << "round " << round;
    scene.SetPosition(cube, {0, 0, 0});
  }
}

TEST_F(SceneUndo, SimulatedFailureAnswersFalseAfterTheGivenSuccesses) {
  HostObject* cube = scene.NewObject(document, "Cube");
  scene.FailAddUndoAfter(2);
  host_ops::DocumentBeginUndo(document);
  EXPECT_EQ(host_ops::DocumentAddUndo(document, 40, cube), 1);
  EXPECT_EQ(host_ops::DocumentAddUndo(document, 40, cube), 1);
  EXPECT_EQ(host_ops::DocumentAddUndo(document, 40, cube), 0);
  scene.StopFailingAddUndo();
  EXPECT_EQ(host_ops::DocumentAddUndo(document, 40, cube), 1);
  host_ops::DocumentEndUndo(document);
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(SceneUndo, UndoLevelsKeepTheLatestStepsAndZeroKeepsNone) {
  struct Case {
    std::optional<size_t> levels;
    size_t stepsKept;
    double positionAfterUndoingAll;
  };
  for (const Case& each : {Case{std::nullopt, 3, 0}, Case{2, 2, 1}, Case{0, 0, 3}}) {
    SCOPED_TRACE(each.levels.value_or(99));
    Host fresh;
    fresh.scene().SetUndoLevels(each.levels);
    HostDocument* made = fresh.scene().NewDocument("Made after the setting");
    HostObject* box = fresh.scene().NewObject(made, "Cube");
    MoveInSteps(fresh.scene(), made, box, {1.0, 2.0, 3.0});
    EXPECT_EQ(fresh.scene().UndoSteps(made), each.stepsKept);
    while (fresh.scene().Undo(made)) {
    }
    EXPECT_EQ(fresh.scene().Position(box).x, each.positionAfterUndoingAll);
    // Misuse is found whatever is kept.
    EXPECT_EQ(host_ops::DocumentAddUndo(made, 40, box), 0);
    EXPECT_TRUE(fresh.misuse().Mentions("no undo group is open"));
  }
}

struct MisuseCase {
  const char* name;
  // Runs the misuse; returns what DocumentAddUndo answered, or -1 when not called.
  int32_t (*run)(Scene& scene, HostDocument* document, HostDocument* other);
  const char* reported;
};
// Names the case when a test fails, instead of dumping its bytes (some of which, in
// padding and strings, were never written).
void PrintTo(const MisuseCase& value, std::ostream* out) { *out << value.name; }

class SceneUndoMisuse : public SceneUndo, public testing::WithParamInterface<MisuseCase> {};

TEST_P(SceneUndoMisuse, IsReportedAndAnswersFalse) {
  HostDocument* other = scene.NewDocument("Other");
  const int32_t answer = GetParam().run(scene, document, other);
  if (answer != -1) {
    EXPECT_EQ(answer, 0);
  }
  EXPECT_TRUE(host.misuse().Mentions(GetParam().reported))
      << (host.misuse().Empty() ? "nothing reported" : host.misuse().Entries().front());
}

int32_t AddOutsideGroup(Scene& scene, HostDocument* document, HostDocument*) {
  return host_ops::DocumentAddUndo(document, 40, scene.NewObject(document, "Cube"));
}
int32_t AddUnknownKind(Scene& scene, HostDocument* document, HostDocument*) {
  HostObject* cube = scene.NewObject(document, "Cube");
  host_ops::DocumentBeginUndo(document);
  return host_ops::DocumentAddUndo(document, 41, cube);
}
int32_t AddForeignObject(Scene& scene, HostDocument* document, HostDocument* other) {
  HostObject* elsewhere = scene.NewObject(other, "Elsewhere");
  host_ops::DocumentBeginUndo(document);
  return host_ops::DocumentAddUndo(document, 40, elsewhere);
}
int32_t AddDeletedObject(Scene& scene, HostDocument* document, HostDocument*) {
  HostObject* cube = scene.NewObject(document, "Cube");
  scene.DeleteObject(cube);
  host_ops::DocumentBeginUndo(document);
  return host_ops::DocumentAddUndo(document, 40, cube);
}
int32_t AddNotAnObject(Scene&, HostDocument* document, HostDocument*) {
  static int notAnObject = 0;
  host_ops::DocumentBeginUndo(document);
  return host_ops::DocumentAddUndo(document, 40, reinterpret_cast<HostObject*>(&notAnObject));
}
int32_t EndWithoutBegin(Scene&, HostDocument* document, HostDocument*) {
  host_ops::DocumentEndUndo(document);
  return -1;
}
int32_t LeaveGroupOpen(Scene& scene, HostDocument* document, HostDocument*) {
  host_ops::DocumentBeginUndo(document);
  host_ops::DocumentBeginUndo(document);
  host_ops::DocumentEndUndo(document);
  EXPECT_FALSE(scene.CheckNoUndoGroupOpen());
  EXPECT_FALSE(scene.Undo(document));
  return -1;
}
int32_t UnknownDocument(Scene&, HostDocument*, HostDocument*) {
  static int notADocument = 0;
  host_ops::DocumentBeginUndo(reinterpret_cast<HostDocument*>(&notADocument));
  return -1;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SceneUndoMisuse,
    testing::Values(
        MisuseCase{"AddOutsideGroup", AddOutsideGroup, "DocumentAddUndo: no undo group is open"},
        MisuseCase{"UnknownKind", AddUnknownKind, "DocumentAddUndo: unknown undo kind 41"},
        MisuseCase{"ForeignObject", AddForeignObject, "belongs to another document"},
        MisuseCase{"DeletedObject", AddDeletedObject, "\"Cube\" was deleted"},
        MisuseCase{"NotAnObject", AddNotAnObject, "DocumentAddUndo: not an object of this host"},
        MisuseCase{"EndWithoutBegin", EndWithoutBegin, "DocumentEndUndo: no undo group is open"},
        MisuseCase{"GroupLeftOpen", LeaveGroupOpen, "left open in document \"Undo\" (depth 1)"},
        MisuseCase{"UnknownDocument", UnknownDocument,
                   "DocumentBeginUndo: not a document of this host"}),
    [](const testing::TestParamInfo<MisuseCase>& caseInfo) { return caseInfo.param.name; });

}  // namespace
}  // namespace khost
