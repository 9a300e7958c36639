// The matrix product the alignment applies: identity, composition of known transforms
// checked on all twelve components, aliasing of the destination, and the evaluation
// order of each translation component that makes every build agree.

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

// Every one of the twelve components against its value worked out by hand.
void ExpectMatrix(const Matrix& expected, const Matrix& actual) {
  const HostVector* want = &expected.offset;
  const HostVector* got = &actual.offset;
  static const char* parts[] = {"offset", "axisX", "axisY", "axisZ"};
  for (int part = 0; part < 4; ++part) {
    SCOPED_TRACE(parts[part]);
    EXPECT_EQ(want[part].x, got[part].x);
    EXPECT_EQ(want[part].y, got[part].y);
    EXPECT_EQ(want[part].z, got[part].z);
  }
}

TEST(MatrixProduct, AppliesRightOperandFirst) {
  // a: turn 90 degrees about Z then move by (10, 0, 0); b: move by (1, 2, 3).
  const Matrix a({10, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1});
  const Matrix b({1, 2, 3}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
  // The point b moves the origin to, (1, 2, 3), turned and moved by a: (10 - 2, 1, 3);
  // b adds no turn, so the axes are a's.
  ExpectMatrix(Matrix({8, 1, 3}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}), a * b);

  // With no zero, no one and no repeated value, a component taken from the wrong row,
  // column or operand shows too. Offset: a.offset + a's axes times b.offset; each
  // axis: a's axes times b's axis.
  const Matrix c({1, 2, 3}, {2, 3, 5}, {7, 11, 13}, {17, 19, 23});
  const Matrix d({-1, 4, 0.5}, {0.25, -2, 3}, {5, 0.75, -4}, {-3, 6, 1.5});
  ExpectMatrix(Matrix({1 - 2 + 28 + 8.5, 2 - 3 + 44 + 9.5, 3 - 5 + 52 + 11.5},
                      {0.5 - 14 + 51, 0.75 - 22 + 57, 1.25 - 26 + 69},
                      {10 + 5.25 - 68, 15 + 8.25 - 76, 25 + 9.75 - 92},
                      {-6 + 42 + 25.5, -9 + 66 + 28.5, -15 + 78 + 34.5}),
               c * d);
}

TEST(MatrixProduct, ScaleAndTranslateCompose) {
  const Matrix scale2({0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 2});
  const Matrix move({5, 6, 7}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
  ExpectMatrix(Matrix({10, 12, 14}, {2, 0, 0}, {0, 2, 0}, {0, 0, 2}), scale2 * move);
  ExpectMatrix(Matrix({5, 6, 7}, {2, 0, 0}, {0, 2, 0}, {0, 0, 2}), move * scale2);
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

TEST(MatrixProduct, TranslationSumsInTheFixedOrderOnEveryComponent) {
  // Near 1e16 doubles are 2 apart, so the grouping of the four terms of a translation
  // component decides the result: first product p1 = 1e16, a's offset o = 1, second
  // product p2 = -(1e16 + 2), third p3 = 0.5. Only the fixed order gives -1.5:
  // ((p1 + o) + p2) + p3 = (1e16 + -(1e16 + 2)) + 0.5, as the tie 1e16 + 1 rounds to
  // the even 1e16. Every other order or grouping of the four gives another value, for
  // example o last: ((1e16 - 1e16 - 2) + 0.5) + 1 = -0.5.
  constexpr double big = 1e16;
  constexpr double bigPlusTwo = 1e16 + 2;
  for (int component = 0; component < 3; ++component) {
    SCOPED_TRACE(component);
    Matrix a;
    Matrix b;
    double HostVector::*c = component == 0   ? &HostVector::x
                            : component == 1 ? &HostVector::y
                                             : &HostVector::z;
    a.offset.*c = 1.0;
    a.axisX.*c = big;
    a.axisY.*c = -bigPlusTwo;
    a.axisZ.*c = 0.5;
    b.offset = {1.0, 1.0, 1.0};
    const Matrix r = a * b;
    EXPECT_EQ(-1.5, r.offset.*c);
  }
  // The same terms in another order, as a different build could sum them.
  volatile double otherOrder = big + -bigPlusTwo;
  otherOrder = otherOrder + 0.5;
  otherOrder = otherOrder + 1.0;
  EXPECT_EQ(-0.5, otherOrder);
}

}  // namespace
