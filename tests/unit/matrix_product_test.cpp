// The matrix product the alignment applies: identity, composition of known transforms,
// aliasing of the destination, and the evaluation order that makes every build agree.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "c4d_math.h"

namespace {

Matrix Sample() {
  return Matrix({1.5, -2.0, 3.25}, {0.0, 2.0, 0.0}, {-3.0, 0.0, 0.0}, {0.0, 0.0, 0.5});
}

bool BitEqual(const Matrix& a, const Matrix& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(VectorAndMatrix, ConstructorsGiveZeroVectorAndIdentity) {
  const Vector zero;
  EXPECT_EQ(0.0, zero.x);
  EXPECT_FALSE(std::signbit(zero.x) || std::signbit(zero.y) || std::signbit(zero.z));
  const Matrix identity;
  EXPECT_EQ(0.0, identity.offset.x);
  EXPECT_EQ(1.0, identity.axisX.x);
  EXPECT_EQ(1.0, identity.axisY.y);
  EXPECT_EQ(1.0, identity.axisZ.z);
  EXPECT_EQ(0.0, identity.axisX.y);
}

TEST(MatrixProduct, IdentityOnEitherSideLeavesTheMatrix) {
  const Matrix m = Sample();
  EXPECT_TRUE(BitEqual(m, Matrix() * m));
  EXPECT_TRUE(BitEqual(m, m * Matrix()));
}

TEST(MatrixProduct, AppliesRightOperandFirst) {
  // a: turn 90 degrees about Z then move by (10, 0, 0); b: move by (1, 2, 3).
  const Matrix a({10, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1});
  const Matrix b({1, 2, 3}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
  const Matrix r = a * b;
  // The point b moves the origin to, (1, 2, 3), turned and moved by a: (10 - 2, 1, 3).
  EXPECT_EQ(8.0, r.offset.x);
  EXPECT_EQ(1.0, r.offset.y);
  EXPECT_EQ(3.0, r.offset.z);
  EXPECT_EQ(0.0, r.axisX.x);
  EXPECT_EQ(1.0, r.axisX.y);
  EXPECT_EQ(-1.0, r.axisY.x);
  EXPECT_EQ(1.0, r.axisZ.z);
}

TEST(MatrixProduct, ScaleAndTranslateCompose) {
  const Matrix scale2({0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 2});
  const Matrix moveBy5({5, 5, 5}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
  const Matrix scaleAfterMove = scale2 * moveBy5;
  EXPECT_EQ(10.0, scaleAfterMove.offset.y);
  const Matrix moveAfterScale = moveBy5 * scale2;
  EXPECT_EQ(5.0, moveAfterScale.offset.y);
  EXPECT_EQ(2.0, moveAfterScale.axisY.y);
}

TEST(MatrixProduct, DestinationMayBeAnOperand) {
  const Matrix a = Sample();
  Matrix b({0.1, 0.2, 0.3}, {0.9, 0.1, 0.0}, {-0.1, 0.8, 0.2}, {0.0, 0.3, 1.1});
  const Matrix fresh = a * b;
  b = a * b;
  EXPECT_TRUE(BitEqual(fresh, b));
  Matrix c = a;
  c = c * c;
  EXPECT_TRUE(BitEqual(a * a, c));
}

TEST(MatrixProduct, TranslationSumsInTheFixedOrder) {
  // 1e16 + 1 is not representable: the grouping decides the result. The first product
  // is added to the offset first, then the second and third products.
  Matrix a;
  a.offset = {1.0, 0.0, 0.0};
  a.axisX = {1e16, 0.0, 0.0};
  a.axisY = {1.0, 1.0, 0.0};
  a.axisZ = {-1e16, 0.0, 1.0};
  Matrix b;
  b.offset = {1.0, 1.0, 1.0};
  const Matrix r = a * b;
  // ((1e16 + 1) + 1) - 1e16: near 1e16 doubles are 2 apart and each +1 is a tie that
  // rounds back to the even 1e16, so the sum is 0. Adding the two ones together first
  // would give 2.
  EXPECT_EQ(0.0, r.offset.x);
  volatile double otherOrder = 1.0 + 1.0;
  otherOrder = otherOrder + 1e16;
  EXPECT_EQ(2.0, otherOrder - 1e16);
}

}  // namespace
