#pragma once
// Vector and Matrix: plain values the alignment computes with and exchanges with the
// host by address. Their layout is the host's (HostVector, HostMatrix).

#include "c4d_host_abi.h"

// Constructor tag for a value whose components are all written before they are read.
struct Unset {};

struct Vector : HostVector {
  Vector() : HostVector{0.0, 0.0, 0.0} {}
  Vector(double xValue, double yValue, double zValue) : HostVector{xValue, yValue, zValue} {}
  explicit Vector(Unset) {}
};

struct Matrix : HostMatrix {
  // Identity.
  Matrix() : HostMatrix{{0.0, 0.0, 0.0}, {1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}} {}
  Matrix(const HostVector& offsetValue, const HostVector& x, const HostVector& y,
         const HostVector& z)
      : HostMatrix{offsetValue, x, y, z} {}
  explicit Matrix(Unset) {}
};

static_assert(sizeof(Vector) == sizeof(HostVector) && sizeof(Matrix) == sizeof(HostMatrix),
              "the module's values keep the host layout");

// The matrix that applies b first and then a. Every product and sum is rounded to double
// in the written order, so every build gives the same bits.
Matrix operator*(const Matrix& a, const Matrix& b);
