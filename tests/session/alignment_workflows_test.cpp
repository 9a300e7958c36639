// The workflows of the session layer through the real plug-in: a stack, a group moved
// as one rigid body and a press against the selection's box, each on a turned reference
// with parents: where the objects end, one undo putting everything back bit for bit, no
// temporary object in the written file, and the refusals that leave the scene as it was.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <numbers>

#include "alignment_session.h"
#include "input_error.h"
#include "kestrum_settings.h"
#include "scene_files.h"
#include "temp_folder.h"
#include "transform.h"

namespace kcommand_test {
namespace {

using kcommand::AlignmentSession;
using kcommand::AxisChoice;
using kcommand::AxisMode;
using kcommand::AxisSide;
using kcommand::HostPlacement;

constexpr const char* kPlugin = KESTRUM_BINARY_DIR "/plugins/kestrum";

// A table turned 30 degrees about Y inside a room; books on the floor, two of them on a
// cart (a parent moved, not turned), one selected with the cart.
constexpr const char* kLibrary = R"({ "objects": [
  { "name": "Room", "position": [100, 0, 0], "halfSize": [50, 50, 50], "children": [
    { "name": "Table", "position": [10, 20, 30], "rotation": [0, 30, 0], "halfSize": [20, 1, 10] } ] },
  { "name": "BookA", "position": [-30, 2, 7], "halfSize": [3, 0.5, 2], "selected": true },
  { "name": "Cart", "position": [-60, 4, -10], "halfSize": [6, 2, 4], "selected": true, "children": [
    { "name": "BookB", "position": [1, 3, 2], "halfSize": [4, 1, 2.5], "selected": true },
    { "name": "BookC", "position": [-2, 5, 0], "halfSize": [2.5, 0.75, 1.5] } ] },
  { "name": "BookD", "position": [40, 8, -20], "halfSize": [3.5, 1.5, 2] } ] })";
// Indices in the object order (the room is 0).
constexpr size_t kTable = 1, kBookA = 2, kCart = 3, kBookB = 4, kBookC = 5, kBookD = 6;
constexpr size_t kObjects = 7;

const std::array<AxisChoice, 3> kOnTop{AxisChoice{AxisMode::kCenter, AxisSide::kInside},
                                       AxisChoice{AxisMode::kPlus, AxisSide::kOutside},
                                       AxisChoice{AxisMode::kCenter, AxisSide::kInside}};
// These workflows are checked against the tool's own placements.
const kcommand::Placement kToolFrame{kcommand::PlacementFrame::kTool};

class Workflows : public ::testing::Test {
 protected:
  void SetUp() override { Open(kLibrary); }
  void Open(const std::string& text) {
    session.reset();
    path = folder.Path() + "/library.json";
    std::ofstream(path) << text;
    document = kcommand::ReadSceneDocument(path, {});
    session = std::make_unique<AlignmentSession>(kPlugin, document->Scene(), path, nullptr);
    before = session->objects().Placements();
    steps = Steps();
  }
  size_t Steps() { return session->host().scene().UndoSteps(session->objects().Document()); }
  size_t LiveObjects() {
    return session->host().scene().LiveObjectCount(session->objects().Document());
  }
  HostMatrix World(size_t index) { return session->objects().Placements()[index].world; }
  // One undo puts everything back bit for bit and redo brings the result again; then
  // the file written holds the scene's objects and nothing else.
  void ExpectOneUndoStepAndACleanFile() {
    const std::vector<HostPlacement> after = session->objects().Placements();
    EXPECT_NO_THROW(session->CheckOneUndoStep(steps, before, after));
    EXPECT_EQ(LiveObjects(), kObjects);
    session->Finish();
    const std::string written = document->Serialise(folder.Path() + "/out.json");
    EXPECT_EQ(written.find("kestrum"), std::string::npos) << written;
    EXPECT_EQ(written.find("@selection"), std::string::npos) << written;
    std::ofstream(folder.Path() + "/out.json") << written;
    EXPECT_EQ(kcommand::CountObjects(
                  kcommand::ReadSceneDocument(folder.Path() + "/out.json", {})->Scene()),
              kObjects);
  }
  void ExpectUntouched() {
    const std::vector<HostPlacement> now = session->objects().Placements();
    for (size_t i = 0; i < now.size(); ++i)
      EXPECT_TRUE(kcommand::SamePlacement(now[i], before[i])) << "object " << i;
    EXPECT_EQ(Steps(), steps);
    EXPECT_EQ(LiveObjects(), kObjects);
    EXPECT_EQ(session->host().scene().UndoDepth(session->objects().Document()), 0);
  }

  khost_test::TempFolder folder;
  std::string path;
  std::unique_ptr<kcommand::SceneDocument> document;
  std::unique_ptr<AlignmentSession> session;
  std::vector<HostPlacement> before;
  size_t steps = 0;
};

void ExpectNear(const HostVector& got, const HostVector& want) {
  EXPECT_NEAR(got.x, want.x, 1e-9);
  EXPECT_NEAR(got.y, want.y, 1e-9);
  EXPECT_NEAR(got.z, want.z, 1e-9);
}

// The table's world frame, by hand: turned 30 degrees about Y, in the room.
const double kCos = std::cos(std::numbers::pi / 6), kSin = std::sin(std::numbers::pi / 6);
HostVector TableTurn(const HostVector& v) {
  return {kCos * v.x + kSin * v.z, v.y, -kSin * v.x + kCos * v.z};
}

TEST_F(Workflows, AStackPutsEachObjectOnTheOneBeforeInOneUndoStep) {
  session->LinkObject(ALIGN_REFERENCE, kTable);
  session->Stack(kTable, {kBookA, kBookD}, kOnTop, kToolFrame);
  // The tool's links are as they were: the reference linked, no object.
  khost::Containers& containers = session->host().containers();
  EXPECT_EQ(containers.GetObjectLink(session->Settings(), ALIGN_REFERENCE,
                                     session->objects().Document(), kObjectKindObject),
            session->objects().Object(kTable));
  EXPECT_EQ(containers.GetObjectLink(session->Settings(), ALIGN_OBJECT,
                                     session->objects().Document(), kObjectKindObject),
            nullptr);
  // Both top level: each takes the table's frame and sits on the one below.
  ExpectNear(World(kBookA).offset, {110, 20 + 1 + 0.5, 30});
  ExpectNear(World(kBookD).offset, {110, 21.5 + 0.5 + 1.5, 30});
  ExpectNear(World(kBookD).axisX, {kCos, 0, -kSin});
  ExpectOneUndoStepAndACleanFile();
}

TEST_F(Workflows, AStackIsTheSameAsItsPressesOneAfterAnother) {
  session->Stack(kTable, {kBookA, kBookB, kBookC}, kOnTop, kToolFrame);
  const std::vector<HostPlacement> stacked = session->objects().Placements();
  ExpectOneUndoStepAndACleanFile();

  Open(kLibrary);
  session->Press({kTable, kBookA, kOnTop, kToolFrame});
  session->Press({kBookA, kBookB, kOnTop, kToolFrame});
  session->Press({kBookB, kBookC, kOnTop, kToolFrame});
  const std::vector<HostPlacement> pressed = session->objects().Placements();
  for (size_t i = 0; i < kObjects; ++i)
    EXPECT_TRUE(kcommand::SamePlacement(stacked[i], pressed[i])) << "object " << i;
  EXPECT_EQ(Steps(), steps + 3);
}

TEST_F(Workflows, AStackNamingItsReferenceOrAnObjectTwiceIsRefusedBeforeAnyPress) {
  try {
    session->Stack(kTable, {kBookA, kTable}, kOnTop, kToolFrame);
    ADD_FAILURE() << "no refusal";
  } catch (const kcommand::InputError& error) {
    EXPECT_NE(std::string(error.what()).find("'Room/Table'"), std::string::npos) << error.what();
  }
  try {
    session->Stack(kTable, {kBookA, kBookD, kBookA}, kOnTop, kToolFrame);
    ADD_FAILURE() << "no refusal";
  } catch (const kcommand::InputError& error) {
    EXPECT_NE(std::string(error.what()).find("'BookA' twice"), std::string::npos) << error.what();
  }
  ExpectUntouched();
}

TEST_F(Workflows, AStackThatFailsHalfwayUndoesTheStepsAlreadyTaken) {
  // BookD's box is so large that on BookA it ends beyond any number.
  Open(R"({ "objects": [
    { "name": "Table", "rotation": [0, 30, 0], "halfSize": [20, 1, 10] },
    { "name": "BookA", "position": [5, 5, 5], "halfSize": [3, 1e308, 2] },
    { "name": "BookD", "position": [9, 9, 9], "halfSize": [3, 1e308, 2] } ] })");
  EXPECT_THROW(session->Stack(0, {1, 2}, kOnTop, kToolFrame), kcommand::HostFailure);
  const std::vector<HostPlacement> now = session->objects().Placements();
  for (size_t i = 0; i < now.size(); ++i)
    EXPECT_TRUE(kcommand::SamePlacement(now[i], before[i])) << "object " << i;
  EXPECT_EQ(session->host().scene().UndoDepth(session->objects().Document()), 0);
}

TEST_F(Workflows, AGroupMovesAsOneRigidBody) {
  // BookA, and the cart carrying BookB and BookC: BookB, below the cart, rides with it.
  const std::vector<size_t> members{kBookA, kCart, kBookB};
  ASSERT_EQ(session->PressAsGroup(kTable, members, kOnTop, kToolFrame),
            kcommand::GroupPress::kGroup);
  // The union of the members' boxes in world axes, by hand: x from BookA's right (-27) to
  // the cart's left (-66), y from BookA's bottom (1.5) to BookB's top (8), z from the
  // cart's back (-14) to BookA's front (9).
  const HostVector centre{-46.5, 4.75, -2.5}, half{19.5, 3.25, 11.5};
  // The group takes the table's frame and sits on it; each member keeps its place in it.
  const HostVector groupCentre{110, 20 + 1 + half.y, 30};
  for (const size_t member : {kBookA, kCart, kBookB, kBookC}) {
    const HostVector was = before[member].world.offset;
    const HostVector turned = TableTurn({was.x - centre.x, was.y - centre.y, was.z - centre.z});
    ExpectNear(World(member).offset,
               {groupCentre.x + turned.x, groupCentre.y + turned.y, groupCentre.z + turned.z});
    ExpectNear(World(member).axisX, {kCos, 0, -kSin});
  }
  // The one left out stays.
  EXPECT_TRUE(kcommand::SamePlacement(session->objects().Placements()[kBookD], before[kBookD]));
  ExpectOneUndoStepAndACleanFile();
}

TEST_F(Workflows, AGroupOfOneIsAPlainPressAndOfNoneMovesNothing) {
  EXPECT_EQ(session->PressAsGroup(kTable, {}, kOnTop, kToolFrame),
            kcommand::GroupPress::kNoMembers);
  ExpectUntouched();
  EXPECT_EQ(session->PressAsGroup(kTable, {kBookA}, kOnTop, kToolFrame),
            kcommand::GroupPress::kPlainPress);
  const std::vector<HostPlacement> grouped = session->objects().Placements();
  Open(kLibrary);
  session->Press({kTable, kBookA, kOnTop, kToolFrame});
  EXPECT_TRUE(kcommand::SamePlacement(session->objects().Placements()[kBookA], grouped[kBookA]));
}

TEST_F(Workflows, AGroupWhoseBoxIsNotFiniteIsRefusedAndNothingMoves) {
  Open(R"({ "objects": [
    { "name": "Table", "rotation": [0, 30, 0], "halfSize": [20, 1, 10] },
    { "name": "Far", "position": [1e308, 0, 0], "halfSize": [1e308, 1, 1] },
    { "name": "Near", "halfSize": [1, 1, 1] } ] })");
  EXPECT_THROW(session->PressAsGroup(0, {1, 2}, kOnTop, kToolFrame), kcommand::HostFailure);
  const std::vector<HostPlacement> now = session->objects().Placements();
  for (size_t i = 0; i < now.size(); ++i)
    EXPECT_TRUE(kcommand::SamePlacement(now[i], before[i])) << "object " << i;
  EXPECT_EQ(session->host().scene().LiveObjectCount(session->objects().Document()), 3u);
  EXPECT_EQ(Steps(), steps);
}

TEST_F(Workflows, TheSelectionsBoxIsAReferenceAsAnObjectOfThatBoxWouldBe) {
  // BookA, the cart and BookB are selected; their union's box, by hand, as an object.
  const std::array<AxisChoice, 3> lowest{
      AxisChoice{}, AxisChoice{AxisMode::kMinus, AxisSide::kInside}, AxisChoice{}};
  session->Press({kcommand::kSelectionBox, std::nullopt, lowest, kToolFrame});
  const std::vector<HostPlacement> boxed = session->objects().Placements();
  // At the top level, the cart's bottom comes down to the lowest among them (BookA's,
  // 1.5), where BookA already is.
  ExpectNear(World(kCart).offset, {-60, 1.5 + 2, -10});
  ExpectNear(World(kBookA).offset, {-30, 1.5 + 0.5, 7});
  ExpectOneUndoStepAndACleanFile();

  std::string withBox = kLibrary;
  withBox.insert(
      withBox.rfind("] }"),
      R"(, { "name": "Box", "position": [-46.5, 4.75, -2.5], "halfSize": [19.5, 3.25, 11.5] })");
  Open(withBox);
  session->Press({kObjects, std::nullopt, lowest, kToolFrame});
  for (size_t i = 0; i < kObjects; ++i)
    EXPECT_TRUE(kcommand::SamePlacement(session->objects().Placements()[i], boxed[i]))
        << "object " << i;
}

TEST_F(Workflows, TheSelectionsBoxWithNothingSelectedIsRefused) {
  Open(R"({ "objects": [ { "name": "Table", "halfSize": [1, 1, 1] } ] })");
  EXPECT_THROW(session->Press({kcommand::kSelectionBox, std::nullopt, kOnTop, kToolFrame}),
               kcommand::InputError);
  EXPECT_EQ(session->host().scene().LiveObjectCount(session->objects().Document()), 1u);
}

TEST_F(Workflows, ExplanationsSayWhatTheToolReadAndWrote) {
  session->Explain(true);
  session->Stack(kTable, {kBookA, kBookD}, kOnTop, kToolFrame);
  const std::vector<kcommand::PlacementExplanation>& placed = session->Explanations();
  ASSERT_EQ(placed.size(), 2u);
  EXPECT_EQ(placed[0].object, "BookA");
  EXPECT_EQ(placed[0].reference, "Room/Table");
  EXPECT_EQ(placed[1].reference, "BookA");
  ASSERT_EQ(placed[1].axes.size(), 3u);
  const kcommand::AxisExplanation& y = placed[1].axes[1];
  EXPECT_EQ(y.axis, 1);
  EXPECT_EQ(y.choice, kOnTop[1]);
  ASSERT_TRUE(y.referenceHalf && y.objectHalf);
  EXPECT_EQ(*y.referenceHalf, 0.5);
  EXPECT_EQ(*y.objectHalf, 1.5);
  EXPECT_EQ(y.distance, 2.0);
  EXPECT_EQ(y.before, 8.0);
  EXPECT_NEAR(y.after, 23.5, 1e-9);
  EXPECT_FALSE(placed[1].axes[0].referenceHalf);  // center reads no half size
  EXPECT_TRUE(placed[1].rotationCleared);
  ASSERT_TRUE(placed[1].frame);
  ExpectNear(placed[1].frame->axisX, {kCos, 0, -kSin});
  ExpectNear(placed[1].after, World(kBookD).offset);

  session->ClearExplanations();
  session->PressAsGroup(kTable, {kBookA, kBookD}, kOnTop, kToolFrame);
  ASSERT_EQ(session->Explanations().size(), 1u);
  EXPECT_EQ(session->Explanations()[0].object, "group of 2 objects");
}

}  // namespace
}  // namespace kcommand_test
