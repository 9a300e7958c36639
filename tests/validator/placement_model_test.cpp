// The placement model that the random run trusts, against placements worked out by
// hand: the product order, the inverse, each mode and side, an object aligned against
// itself, an object below a parent, and the order selected objects are taken in.

#include "placement_model.h"

#include <gtest/gtest.h>

#include <ostream>

#include "kestrum_settings.h"

namespace {

using khost::validator::AxisSettings;
using khost::validator::ModelInvert;
using khost::validator::ModelObject;
using khost::validator::ModelProduct;
using khost::validator::PlacementModel;

HostMatrix Make(HostVector offset, HostVector x, HostVector y, HostVector z) {
  return {offset, x, y, z};
}
HostMatrix Translation(double x, double y, double z) {
  return Make({x, y, z}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
}
HostMatrix Scaled(HostVector offset, double s) {
  return Make(offset, {s, 0, 0}, {0, s, 0}, {0, 0, s});
}

void ExpectMatrix(const HostMatrix& expected, const HostMatrix& actual) {
  const double* e = &expected.offset.x;
  const double* a = &actual.offset.x;
  for (int i = 0; i < 12; ++i) EXPECT_EQ(e[i], a[i]) << "component " << i;
}

AxisSettings Settings(int32_t xMode, int32_t xSide, int32_t yMode = ALIGN_Y_MODE_NONE,
                      int32_t zMode = ALIGN_Z_MODE_NONE) {
  AxisSettings settings;
  settings.mode[0] = xMode;
  settings.side[0] = xSide;
  settings.mode[1] = yMode;
  settings.side[1] = ALIGN_Y_SIDE_INSIDE;
  settings.mode[2] = zMode;
  settings.side[2] = ALIGN_Z_SIDE_INSIDE;
  return settings;
}

ModelObject Object(const char* name, HostMatrix local, HostVector halfSizes, int parent = -1) {
  ModelObject object;
  object.name = name;
  object.local = local;
  object.halfSizes = halfSizes;
  object.parent = parent;
  return object;
}

TEST(ModelProduct, AppliesTheRightOperandFirst) {
  // A quarter turn about Z at (5, 0, 0), after a move by (1, 0, 0): X turns into +Y.
  const HostMatrix turn = Make({5, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1});
  ExpectMatrix(Make({5, 1, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}),
               ModelProduct(turn, Translation(1, 0, 0)));
  ExpectMatrix(Make({6, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}),
               ModelProduct(Translation(1, 0, 0), turn));
  ExpectMatrix(Scaled({3, 5, 7}, 2), ModelProduct(Scaled({1, 1, 1}, 2), Translation(1, 2, 3)));
}

TEST(ModelInvert, UndoesATurnWithScale) {
  // p -> (5 - p.y, 2 p.x, p.z); back: q -> ((q.y) / 2, 5 - q.x, q.z).
  const HostMatrix m = Make({5, 0, 0}, {0, 2, 0}, {-1, 0, 0}, {0, 0, 1});
  HostMatrix inverse;
  ASSERT_TRUE(ModelInvert(m, &inverse));
  ExpectMatrix(Make({0, 5, 0}, {0, -1, 0}, {0.5, 0, 0}, {0, 0, 1}), inverse);
  ExpectMatrix(Translation(0, 0, 0), ModelProduct(m, inverse));
  EXPECT_FALSE(ModelInvert(Make({1, 2, 3}, {1, 0, 0}, {2, 0, 0}, {0, 0, 1}), &inverse));
}

struct PlacementCase {
  const char* name;
  int32_t xMode, xSide;
  double expectedX;  // the moved object's world offset along X
};
// Names the case when a test fails, instead of dumping its bytes (some of which, in
// padding and strings, were never written).
void PrintTo(const PlacementCase& value, std::ostream* out) { *out << value.name; }

class SingleAxisPlacement : public ::testing::TestWithParam<PlacementCase> {};

// Reference at (10, 0, 0), half sizes 2; moved object at (0, 4, 3), half sizes 1, turned.
// Y is left alone (offset 4 - 0), Z has an unknown mode (offset kept, 3 - 0).
TEST_P(SingleAxisPlacement, PlacesAlongXAndKeepsTheOtherOffsets) {
  const PlacementCase& c = GetParam();
  PlacementModel model;
  const int reference = model.Add(Object("R", Translation(10, 0, 0), {2, 2, 2}));
  const int moved =
      model.Add(Object("M", Make({0, 4, 3}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}), {1, 1, 1}));
  AxisSettings settings = Settings(c.xMode, c.xSide);
  settings.mode[2] = 4711;
  model.Align(moved, reference, settings);
  ExpectMatrix(Translation(c.expectedX, 4, 3), model.World(moved));
  EXPECT_TRUE(model.WorldExact(moved));
  ExpectMatrix(Translation(10, 0, 0), model.World(reference));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SingleAxisPlacement,
    ::testing::Values(PlacementCase{"PlusInside", ALIGN_X_MODE_PLUS, ALIGN_X_SIDE_INSIDE, 11},
                      PlacementCase{"PlusOutside", ALIGN_X_MODE_PLUS, ALIGN_X_SIDE_OUTSIDE, 13},
                      PlacementCase{"PlusAbsentSideIsOutside", ALIGN_X_MODE_PLUS, 0, 13},
                      PlacementCase{"Centre", ALIGN_X_MODE_CENTER, ALIGN_X_SIDE_OUTSIDE, 10},
                      PlacementCase{"MinusInside", ALIGN_X_MODE_MINUS, ALIGN_X_SIDE_INSIDE, 9},
                      PlacementCase{"MinusOutside", ALIGN_X_MODE_MINUS, 12345, 7}),
    [](const ::testing::TestParamInfo<PlacementCase>& param) {
      return std::string(param.param.name);
    });

TEST(Placement, OnlyUnknownModesKeepThePositionButClearTheRotation) {
  PlacementModel model;
  const int reference = model.Add(Object("R", Translation(10, 0, 0), {2, 2, 2}));
  const int moved =
      model.Add(Object("M", Make({0, 4, 3}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}), {1, 1, 1}));
  model.Align(moved, reference, Settings(0, 0, 0, 0));
  ExpectMatrix(Translation(10, 4, 3), model.World(moved));
}

TEST(Placement, AllNoneChangesNothing) {
  PlacementModel model;
  const HostMatrix turned = Make({0, 4, 3}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1});
  const int reference = model.Add(Object("R", Translation(10, 0, 0), {2, 2, 2}));
  const int moved = model.Add(Object("M", turned, {1, 1, 1}));
  const AxisSettings none = Settings(ALIGN_X_MODE_NONE, 0);
  EXPECT_FALSE(PlacementModel::Changes(none));
  model.Align(moved, reference, none);
  ExpectMatrix(turned, model.World(moved));
}

TEST(Placement, AnObjectAlignedAgainstItselfIsSquared) {
  // At (2, 0, 0) with scale 2; X outside: offset 1 + 1 = 2, so the position stays and
  // the world matrix becomes M x M: offset 2 * (2, 0, 0) + (2, 0, 0), scale 4.
  PlacementModel model;
  ModelObject self = Object("S", Scaled({2, 0, 0}, 2), {1, 1, 1});
  self.scale = {2, 2, 2};
  const int index = model.Add(self);
  model.Align(index, index, Settings(ALIGN_X_MODE_PLUS, ALIGN_X_SIDE_OUTSIDE));
  ExpectMatrix(Scaled({6, 0, 0}, 4), model.World(index));
  EXPECT_TRUE(model.WorldExact(index));
  EXPECT_EQ(4.0, model.objects()[index].scale.x);
}

TEST(Placement, AChildIsPlacedThroughItsParentsInverse) {
  // Parent at (0, 0, 5), scale 2. Child at (1, 0, 0), centred on a reference at the
  // origin: local (0, 0, 0), world = parent's world, reached through an inverse.
  PlacementModel model;
  ModelObject parent = Object("P", Scaled({0, 0, 5}, 2), {0, 0, 0});
  parent.scale = {2, 2, 2};
  const int p = model.Add(parent);
  const int child = model.Add(Object("C", Translation(1, 0, 0), {0, 0, 0}, p));
  const int reference = model.Add(Object("R", Translation(0, 0, 0), {0, 0, 0}));
  model.Align(child, reference, Settings(ALIGN_X_MODE_CENTER, 0));
  ExpectMatrix(Scaled({0, 0, 5}, 2), model.World(child));
  ExpectMatrix(Translation(0, 0, 0), model.objects()[child].local);
  EXPECT_FALSE(model.WorldExact(child));
}

TEST(Placement, SelectionComesInDocumentOrderAndDeletionTakesChildren) {
  PlacementModel model;
  const int a = model.Add(Object("A", Translation(0, 0, 0), {}));
  const int b = model.Add(Object("B", Translation(0, 0, 0), {}));
  const int a1 = model.Add(Object("A1", Translation(0, 0, 0), {}, a));
  const int a1x = model.Add(Object("A1x", Translation(0, 0, 0), {}, a1));
  const int a2 = model.Add(Object("A2", Translation(0, 0, 0), {}, a));
  EXPECT_EQ((std::vector<int>{a, a1, a1x, a2, b}), model.DocumentOrder());
  for (int index : {b, a1x, a2}) model.objects()[index].selected = true;
  EXPECT_EQ((std::vector<int>{a1x, a2, b}), model.SelectedInOrder());
  model.Delete(a1);
  EXPECT_EQ((std::vector<int>{a, a2, b}), model.DocumentOrder());
  EXPECT_FALSE(model.objects()[a1x].alive);
}

}  // namespace
