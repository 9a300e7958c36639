// Where the alignment commands put objects: every mode and side on each axis against
// hand-computed placements, the reference's orientation, and the finish that runs once
// any axis is handled.

#include <array>
#include <cmath>

#include "kestrum_axis_ids.h"
#include "module_fixture.h"

namespace kestrum_test {
namespace {

enum class Mode { kNone, kPlus, kCenter, kMinus };
enum class Side { kInside, kOutside };

struct AxisCase {
  int axis;  // 0 x, 1 y, 2 z
  Mode mode;
  Side side;
};

double Component(const HostVector& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

class AlignmentPlacement : public ModuleFixture, public ::testing::WithParamInterface<AxisCase> {};

// Reference box at (10, 20, 30) with half sizes (4, 5, 6); the moved box at (-3, 7, 1.5)
// with half sizes (1, 2, 0.5). Every value is exact in binary, so placements compare
// exactly.
TEST_P(AlignmentPlacement, PlacesTheMovedBoxAgainstTheReferenceBox) {
  const AxisCase c = GetParam();
  HostObject* reference = Box("reference", {10, 20, 30}, {4, 5, 6});
  HostObject* moved = Box("moved", {-3, 7, 1.5}, {1, 2, 0.5});
  scene().SetRotation(moved, {0.25, 0.5, 0.125});
  scene().SetSelected(moved, true);
  Link(ALIGN_REFERENCE, reference);
  const KestrumAxisIds& ids = kKestrumAxes[static_cast<size_t>(c.axis)];
  Set(ids.modeSetting, ids.modes[static_cast<size_t>(c.mode)]);
  Set(ids.sideSetting, c.side == Side::kInside ? ids.inside : ids.outside);

  EXPECT_EQ(1, Press(ALIGN_SELECTED));

  const HostMatrix world = scene().WorldMatrix(moved);
  const double center = Component(world.offset, c.axis);
  const double referenceCenter = Component(HostVector{10, 20, 30}, c.axis);
  const double referenceHalf = Component(HostVector{4, 5, 6}, c.axis);
  const double movedHalf = Component(HostVector{1, 2, 0.5}, c.axis);
  const bool inside = c.side == Side::kInside;
  switch (c.mode) {
    case Mode::kNone:
      // Nothing handled: the object keeps its place and its rotation.
      EXPECT_EQ(Component(HostVector{-3, 7, 1.5}, c.axis), center);
      EXPECT_EQ(0.25, scene().Rotation(moved).x);
      return;
    case Mode::kPlus:
      // Inside: the positive faces flush; outside: touching the reference's positive face.
      EXPECT_EQ(referenceCenter + referenceHalf, inside ? center + movedHalf : center - movedHalf);
      break;
    case Mode::kCenter:
      EXPECT_EQ(referenceCenter, center);
      break;
    case Mode::kMinus:
      EXPECT_EQ(referenceCenter - referenceHalf, inside ? center - movedHalf : center + movedHalf);
      break;
  }
  // The two other axes are in mode none: they keep the moved object's place.
  for (int other = 0; other < 3; ++other) {
    if (other != c.axis) {
      EXPECT_EQ(Component(HostVector{-3, 7, 1.5}, other), Component(world.offset, other));
    }
  }
  // Aligned objects take the reference's (here unrotated) orientation.
  EXPECT_EQ(1.0, world.axisX.x);
  EXPECT_EQ(0.0, world.axisX.y);
  EXPECT_EQ(1.0, world.axisY.y);
  EXPECT_EQ(1.0, world.axisZ.z);
}

std::vector<AxisCase> AllAxisCases() {
  std::vector<AxisCase> cases;
  for (int axis = 0; axis < 3; ++axis)
    for (Mode mode : {Mode::kNone, Mode::kPlus, Mode::kCenter, Mode::kMinus})
      for (Side side : {Side::kInside, Side::kOutside}) cases.push_back({axis, mode, side});
  return cases;
}

std::string CaseName(const ::testing::TestParamInfo<AxisCase>& info) {
  static const char* axes[] = {"X", "Y", "Z"};
  static const char* modes[] = {"None", "Plus", "Center", "Minus"};
  return std::string(axes[info.param.axis]) + modes[static_cast<int>(info.param.mode)] +
         (info.param.side == Side::kInside ? "Inside" : "Outside");
}

INSTANTIATE_TEST_SUITE_P(EveryAxisModeAndSide, AlignmentPlacement,
                         ::testing::ValuesIn(AllAxisCases()), CaseName);

using Alignment = ModuleFixture;

TEST_F(Alignment, AllThreeAxesPlaceABoxInTheReferenceCorner) {
  HostObject* table = Box("table", {0, 0, 0}, {50, 2, 30});
  HostObject* cup = Box("cup", {3, 9, -4}, {2, 3, 2});
  scene().SetSelected(cup, true);
  Link(ALIGN_REFERENCE, table);
  Set(ALIGN_X_MODE, ALIGN_X_MODE_MINUS);
  Set(ALIGN_X_SIDE, ALIGN_X_SIDE_INSIDE);
  Set(ALIGN_Y_MODE, ALIGN_Y_MODE_PLUS);
  Set(ALIGN_Y_SIDE, ALIGN_Y_SIDE_OUTSIDE);
  Set(ALIGN_Z_MODE, ALIGN_Z_MODE_CENTER);
  Press(ALIGN_SELECTED);
  const HostVector at = scene().WorldMatrix(cup).offset;
  EXPECT_EQ(-48.0, at.x);  // left faces flush: -50 + 2
  EXPECT_EQ(5.0, at.y);    // standing on the table top: 2 + 3
  EXPECT_EQ(0.0, at.z);
}

TEST_F(Alignment, TakesTheRotatedReferencesOrientationAndMeasuresAlongItsAxes) {
  // The reference is turned a quarter about Y: its X axis points along world -Z.
  HostObject* reference = Box("reference", {100, 0, 0}, {10, 10, 10});
  scene().SetLocalMatrix(reference, HostMatrix{{100, 0, 0}, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}});
  HostObject* moved = Box("moved", {0, 0, 0}, {1, 1, 1});
  scene().SetSelected(moved, true);
  Link(ALIGN_REFERENCE, reference);
  Set(ALIGN_X_MODE, ALIGN_X_MODE_PLUS);
  Set(ALIGN_X_SIDE, ALIGN_X_SIDE_OUTSIDE);
  Set(ALIGN_Y_MODE, ALIGN_Y_MODE_CENTER);
  Set(ALIGN_Z_MODE, ALIGN_Z_MODE_CENTER);
  Press(ALIGN_SELECTED);
  const HostMatrix world = scene().WorldMatrix(moved);
  // Offset 11 along the reference's X axis, which is world -Z.
  EXPECT_EQ(100.0, world.offset.x);
  EXPECT_EQ(0.0, world.offset.y);
  EXPECT_EQ(-11.0, world.offset.z);
  EXPECT_EQ(-1.0, world.axisX.z);
  EXPECT_EQ(1.0, world.axisZ.x);
}

TEST_F(Alignment, KeepsItsOwnScaleOnTopOfTheReferenceFrame) {
  HostObject* reference = Box("reference", {0, 0, 0}, {10, 10, 10});
  HostObject* moved = Box("moved", {5, 5, 5}, {1, 1, 1});
  scene().SetScale(moved, {2, 3, 4});
  scene().SetSelected(moved, true);
  Link(ALIGN_REFERENCE, reference);
  Set(ALIGN_Y_MODE, ALIGN_Y_MODE_CENTER);
  Press(ALIGN_SELECTED);
  const HostMatrix world = scene().WorldMatrix(moved);
  EXPECT_EQ(2.0, world.axisX.x);
  EXPECT_EQ(3.0, world.axisY.y);
  EXPECT_EQ(4.0, world.axisZ.z);
}

TEST_F(Alignment, UnknownModeIsLeftAsItWasButStillClearsRotation) {
  HostObject* reference = Box("reference", {10, 0, 0}, {4, 4, 4});
  HostObject* moved = Box("moved", {1, 2, 3}, {1, 1, 1});
  scene().SetRotation(moved, {0.5, 0, 0});
  scene().SetSelected(moved, true);
  Link(ALIGN_REFERENCE, reference);
  Set(ALIGN_X_MODE, 0);  // as if the setting were absent
  host.trace().Enable(true);
  Press(ALIGN_SELECTED);
  // No position is set; the rotation is cleared and the object's own place is taken
  // into the reference's frame: 10 + 1 on X.
  EXPECT_EQ((std::vector<std::string>{
                "ObjectSetRotation(\"moved\", (0, 0, 0))",
                "ObjectSetGlobalMatrix(\"moved\", [(11, 2, 3), (1, 0, 0), (0, 1, 0), (0, 0, 1)])"}),
            host.trace().Only({"ObjectSetPosition", "ObjectSetRotation", "ObjectSetGlobalMatrix"}));
  EXPECT_EQ(11.0, scene().WorldMatrix(moved).offset.x);
  EXPECT_EQ(0.0, scene().Rotation(moved).x);
}

TEST_F(Alignment, AbsentSideCountsAsOutside) {
  HostObject* reference = Box("reference", {0, 0, 0}, {4, 4, 4});
  HostObject* moved = Box("moved", {0, 0, 0}, {1, 1, 1});
  scene().SetSelected(moved, true);
  Link(ALIGN_REFERENCE, reference);
  host.containers().Remove(settings, ALIGN_Z_SIDE);
  Set(ALIGN_Z_MODE, ALIGN_Z_MODE_MINUS);
  Press(ALIGN_SELECTED);
  EXPECT_EQ(-5.0, scene().WorldMatrix(moved).offset.z);  // 0 - (4 + 1)
}

TEST_F(Alignment, ReferenceInTheSelectionIsAlignedToItselfAndMovesTheOthers) {
  HostObject* first = Box("first", {1, 0, 0}, {1, 1, 1});
  HostObject* reference = Box("reference", {10, 0, 0}, {2, 2, 2});
  HostObject* last = Box("last", {0, 0, 0}, {1, 1, 1});
  for (HostObject* object : {first, reference, last}) scene().SetSelected(object, true);
  Link(ALIGN_REFERENCE, reference);
  Set(ALIGN_X_MODE, ALIGN_X_MODE_PLUS);
  Set(ALIGN_X_SIDE, ALIGN_X_SIDE_OUTSIDE);
  Press(ALIGN_SELECTED);
  // first: against the reference where it was, 10 + 2 + 1.
  EXPECT_EQ(13.0, scene().WorldMatrix(first).offset.x);
  // The reference: offset 2 + 2 = 4 set as its position, then its world matrix squared:
  // a translation by 4 applied twice.
  EXPECT_EQ(8.0, scene().WorldMatrix(reference).offset.x);
  // last is aligned to the reference's new place: 8 + 2 + 1.
  EXPECT_EQ(11.0, scene().WorldMatrix(last).offset.x);
}

TEST_F(Alignment, SingleObjectCommandsMoveOnlyTheLinkedObject) {
  for (int32_t command :
       {int32_t{HOST_COMMAND_ALIGN_OBJECT_ALT}, int32_t{HOST_COMMAND_ALIGN_OBJECT}}) {
    SCOPED_TRACE(command);
    HostObject* reference = Box("reference", {0, 0, 0}, {5, 5, 5});
    HostObject* single = Box("single", {20, 0, 0}, {1, 1, 1});
    HostObject* selected = Box("selected", {30, 0, 0}, {1, 1, 1});
    scene().SetSelected(selected, true);
    Link(ALIGN_REFERENCE, reference);
    Link(ALIGN_OBJECT, single);
    Set(ALIGN_X_MODE, ALIGN_X_MODE_PLUS);
    Set(ALIGN_X_SIDE, ALIGN_X_SIDE_INSIDE);
    EXPECT_EQ(1, Press(command));
    EXPECT_EQ(4.0, scene().WorldMatrix(single).offset.x);
    EXPECT_EQ(30.0, scene().WorldMatrix(selected).offset.x);
  }
}

TEST_F(Alignment, AlignSelectedIgnoresTheSingleObjectLink) {
  HostObject* reference = Box("reference", {0, 0, 0}, {5, 5, 5});
  HostObject* single = Box("single", {20, 0, 0}, {1, 1, 1});
  Link(ALIGN_REFERENCE, reference);
  Link(ALIGN_OBJECT, single);
  Set(ALIGN_X_MODE, ALIGN_X_MODE_CENTER);
  Press(ALIGN_SELECTED);
  EXPECT_EQ(20.0, scene().WorldMatrix(single).offset.x);
}

TEST_F(Alignment, ObjectUnderAParentIsPlacedFromItsWorldMatrix) {
  HostObject* reference = Box("reference", {0, 0, 0}, {5, 5, 5});
  HostObject* group = Box("group", {100, 0, 0}, {0, 0, 0});
  HostObject* child = Box("child", {3, 0, 0}, {1, 1, 1}, group);
  scene().SetSelected(child, true);
  Link(ALIGN_REFERENCE, reference);
  Set(ALIGN_Y_MODE, ALIGN_Y_MODE_PLUS);
  Set(ALIGN_Y_SIDE, ALIGN_Y_SIDE_OUTSIDE);
  Press(ALIGN_SELECTED);
  const HostVector at = scene().WorldMatrix(child).offset;
  // The offsets come from local positions (3 - 0 on X); the product then takes the whole
  // world matrix, the parent's move by 100 included, into the reference's frame.
  EXPECT_EQ(103.0, at.x);
  EXPECT_EQ(6.0, at.y);
  EXPECT_EQ(group, scene().Parent(child));
}

}  // namespace
}  // namespace kestrum_test
