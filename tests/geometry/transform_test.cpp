// Matrix arithmetic of the host scene: the product rule, the inverse and the rotation
// convention, against values worked out by hand.
#include "transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <ostream>
#include <random>

namespace khost {

using kestrum::AxisLengths;
using kestrum::ComposeTransform;
using kestrum::IdentityMatrix;
using kestrum::Invert;
using kestrum::Multiply;
using kestrum::RotationAngles;
using kestrum::RotationMatrix;
using kestrum::SameBits;
namespace {

constexpr double kQuarterTurn = std::numbers::pi / 2;

void ExpectNear(const HostVector& actual, const HostVector& expected, double tolerance) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void ExpectNear(const HostMatrix& actual, const HostMatrix& expected, double tolerance) {
  ExpectNear(actual.offset, expected.offset, tolerance);
  ExpectNear(actual.axisX, expected.axisX, tolerance);
  ExpectNear(actual.axisY, expected.axisY, tolerance);
  ExpectNear(actual.axisZ, expected.axisZ, tolerance);
}

HostMatrix RandomMatrix(std::mt19937_64& random) {
  std::uniform_real_distribution<double> value(0.25, 4.0);
  std::bernoulli_distribution negative(0.5);
  const auto next = [&] { return negative(random) ? -value(random) : value(random); };
  return HostMatrix{{next(), next(), next()},
                    {next(), next(), next()},
                    {next(), next(), next()},
                    {next(), next(), next()}};
}

TEST(MatrixProduct, ScaleTranslateAfterQuarterTurn) {
  const HostMatrix a{{1, 2, 3}, {2, 0, 0}, {0, 3, 0}, {0, 0, 4}};
  const HostMatrix b{{1, 1, 1}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}};
  // b turns x into y and y into -x and moves to (1,1,1); a then scales and moves.
  const HostMatrix expected{{3, 5, 7}, {0, 3, 0}, {-2, 0, 0}, {0, 0, 4}};
  EXPECT_TRUE(SameBits(Multiply(a, b), expected));
}

TEST(MatrixProduct, OffsetSumsFirstProductThenOffsetThenTheRest) {
  // (1 * 1e16 + 1) rounds back to 1e16, so the x offset is 0 only when summed in the
  // module's order; any other order gives 1.
  HostMatrix a = IdentityMatrix();
  a.offset = {1, 0, 0};
  a.axisY = {1, 1, 0};
  HostMatrix b = IdentityMatrix();
  b.offset = {1e16, -1e16, 0};
  const HostMatrix product = Multiply(a, b);
  EXPECT_EQ(product.offset.x, 0.0);
  EXPECT_EQ(product.offset.y, -1e16);
}

TEST(MatrixProduct, IdentityOnEitherSideKeepsEveryBit) {
  std::mt19937_64 random(20261208);
  for (int i = 0; i < 200; ++i) {
    const HostMatrix m = RandomMatrix(random);
    SCOPED_TRACE(i);
    EXPECT_TRUE(SameBits(Multiply(IdentityMatrix(), m), m));
    EXPECT_TRUE(SameBits(Multiply(m, IdentityMatrix()), m));
  }
}

TEST(MatrixInverse, ScaleAndOffsetInvertExactly) {
  const HostMatrix m{{2, 4, 8}, {2, 0, 0}, {0, 4, 0}, {0, 0, 8}};
  HostMatrix inverse;
  ASSERT_TRUE(Invert(m, &inverse));
  const HostMatrix expected{{-1, -1, -1}, {0.5, 0, 0}, {0, 0.25, 0}, {0, 0, 0.125}};
  EXPECT_TRUE(SameBits(inverse, expected));
}

TEST(MatrixInverse, NeedsRowExchangeWhenTheDiagonalIsZero) {
  // Swaps x and y, then moves by (1, 2, 3): the inverse moves back, then swaps.
  const HostMatrix m{{1, 2, 3}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}};
  HostMatrix inverse;
  ASSERT_TRUE(Invert(m, &inverse));
  ExpectNear(inverse, HostMatrix{{-2, -1, -3}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}}, 0.0);
}

TEST(MatrixInverse, ProductWithTheOriginalIsTheIdentity) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 200; ++i) {
    const HostMatrix m = RandomMatrix(random);
    HostMatrix inverse;
    if (!Invert(m, &inverse)) continue;
    SCOPED_TRACE(i);
    const double det = m.axisX.x * (m.axisY.y * m.axisZ.z - m.axisZ.y * m.axisY.z) -
                       m.axisY.x * (m.axisX.y * m.axisZ.z - m.axisZ.y * m.axisX.z) +
                       m.axisZ.x * (m.axisX.y * m.axisY.z - m.axisY.y * m.axisX.z);
    if (std::fabs(det) < 0.5) continue;  // ill-conditioned: not a test of care
    ExpectNear(Multiply(inverse, m), IdentityMatrix(), 1e-12);
    ExpectNear(Multiply(m, inverse), IdentityMatrix(), 1e-12);
  }
}

TEST(MatrixInverse, SingularMatrixIsRefusedAndLeavesTheResultAlone) {
  const HostMatrix flat{{1, 1, 1}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  HostMatrix untouched = IdentityMatrix();
  EXPECT_FALSE(Invert(flat, &untouched));
  EXPECT_TRUE(SameBits(untouched, IdentityMatrix()));
}

struct QuarterTurnCase {
  const char* name;
  HostVector angles;
  HostMatrix expected;  // worked out by turning the unit axes by hand
};
// Names the case when a test fails, instead of dumping its bytes (some of which, in
// padding and strings, were never written).
void PrintTo(const QuarterTurnCase& value, std::ostream* out) { *out << value.name; }

class RotationConvention : public testing::TestWithParam<QuarterTurnCase> {};

TEST_P(RotationConvention, QuarterTurnsMoveTheAxesAsWorkedOutByHand) {
  ExpectNear(RotationMatrix(GetParam().angles), GetParam().expected, 1e-15);
}

INSTANTIATE_TEST_SUITE_P(
    QuarterTurns, RotationConvention,
    testing::Values(
        QuarterTurnCase{
            "AboutX", {kQuarterTurn, 0, 0}, {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, -1, 0}}},
        QuarterTurnCase{
            "AboutY", {0, kQuarterTurn, 0}, {{0, 0, 0}, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}}},
        QuarterTurnCase{
            "AboutZ", {0, 0, kQuarterTurn}, {{0, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}},
        // X first, then Z about the fixed axes: x -> x -> y, y -> z -> z, z -> -y -> x.
        QuarterTurnCase{"XThenZ",
                        {kQuarterTurn, 0, kQuarterTurn},
                        {{0, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}}}),
    [](const testing::TestParamInfo<QuarterTurnCase>& caseInfo) { return caseInfo.param.name; });

TEST(RotationMatrix, NoTurnIsTheIdentityWithPositiveZeros) {
  EXPECT_TRUE(SameBits(RotationMatrix({0, 0, 0}), IdentityMatrix()));
}

TEST(ComposeTransform, NoTurnGivesTheBitsOfTheRotationProduct) {
  // Negative and zero scales give -0.0 and +0.0 off the diagonal; -0.0 angles turn
  // "not at all" with other signs.
  const HostVector scales[] = {{2, 0.5, 3}, {-2, -0.5, 0}, {-0.0, 1, -4}};
  const HostVector turns[] = {{0, 0, 0}, {-0.0, 0, 0}, {0, -0.0, -0.0}};
  for (const HostVector& scale : scales)
    for (const HostVector& angles : turns) {
      const HostMatrix r = RotationMatrix(angles);
      const auto scaled = [](const HostVector& axis, double factor) {
        return HostVector{axis.x * factor, axis.y * factor, axis.z * factor};
      };
      const HostMatrix expected{
          {4, 5, 6}, scaled(r.axisX, scale.x), scaled(r.axisY, scale.y), scaled(r.axisZ, scale.z)};
      EXPECT_TRUE(SameBits(ComposeTransform({4, 5, 6}, angles, scale), expected));
    }
}

TEST(RotationAngles, RecoverTheAnglesOfAScaledRotation) {
  const HostVector table[] = {{0.1, 0.2, 0.3}, {-1.2, 0.7, 2.9}, {3.0, -1.4, -0.5}, {0, 0, 0}};
  for (const HostVector& angles : table) {
    SCOPED_TRACE(testing::Message() << angles.x << " " << angles.y << " " << angles.z);
    const HostMatrix m = ComposeTransform({4, 5, 6}, angles, {2, 0.5, 3});
    ExpectNear(RotationAngles(m), angles, 1e-12);
    ExpectNear(AxisLengths(m), {2, 0.5, 3}, 1e-12);
    EXPECT_TRUE(SameBits(m.offset, HostVector{4, 5, 6}));
  }
}

TEST(RotationAngles, AtAQuarterTurnAboutYTheXAngleFoldsIntoZ) {
  const HostMatrix m = RotationMatrix({0.4, kQuarterTurn, 0.1});
  const HostVector angles = RotationAngles(m);
  EXPECT_EQ(angles.x, 0.0);
  EXPECT_NEAR(angles.y, kQuarterTurn, 1e-7);
  ExpectNear(RotationMatrix(angles), m, 1e-7);
}

}  // namespace
}  // namespace khost
