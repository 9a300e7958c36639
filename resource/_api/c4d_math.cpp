#include "c4d_math.h"

namespace {

// a's linear part applied to direction d.
HostVector Rotate(const HostMatrix& a, const HostVector& d) {
  return HostVector{a.axisX.x * d.x + a.axisY.x * d.y + a.axisZ.x * d.z,
                    a.axisX.y * d.x + a.axisY.y * d.y + a.axisZ.y * d.z,
                    a.axisX.z * d.x + a.axisY.z * d.y + a.axisZ.z * d.z};
}

}  // namespace

Matrix operator*(const Matrix& a, const Matrix& b) {
  // Built in a temporary first: the destination may be one of the operands.
  Matrix product{Unset{}};
  const HostVector& p = b.offset;
  // The first product comes before a's offset in the sum.
  product.offset.x = a.axisX.x * p.x + a.offset.x + a.axisY.x * p.y + a.axisZ.x * p.z;
  product.offset.y = a.axisX.y * p.x + a.offset.y + a.axisY.y * p.y + a.axisZ.y * p.z;
  product.offset.z = a.axisX.z * p.x + a.offset.z + a.axisY.z * p.y + a.axisZ.z * p.z;
  product.axisX = Rotate(a, b.axisX);
  product.axisY = Rotate(a, b.axisY);
  product.axisZ = Rotate(a, b.axisZ);
  return product;
}
