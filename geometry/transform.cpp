#include "transform.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace kestrum {
namespace {

HostVector Scaled(const HostVector& v, double factor) {
  return HostVector{v.x * factor, v.y * factor, v.z * factor};
}

double Length(const HostVector& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

HostVector Normalised(const HostVector& v) {
  const double length = Length(v);
  return length > 0.0 ? Scaled(v, 1.0 / length) : v;
}

double& Component(HostVector& v, int index) { return index == 0 ? v.x : index == 1 ? v.y : v.z; }
double Component(const HostVector& v, int index) {
  return index == 0 ? v.x : index == 1 ? v.y : v.z;
}

bool Finite(const HostVector& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}
bool Finite(const HostMatrix& m) {
  return Finite(m.offset) && Finite(m.axisX) && Finite(m.axisY) && Finite(m.axisZ);
}

}  // namespace

HostMatrix IdentityMatrix() {
  return HostMatrix{{0.0, 0.0, 0.0}, {1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
}

HostMatrix Multiply(const HostMatrix& a, const HostMatrix& b) {
  HostMatrix r;
  r.offset.x =
      a.axisX.x * b.offset.x + a.offset.x + a.axisY.x * b.offset.y + a.axisZ.x * b.offset.z;
  r.offset.y =
      a.axisX.y * b.offset.x + a.offset.y + a.axisY.y * b.offset.y + a.axisZ.y * b.offset.z;
  r.offset.z =
      a.axisX.z * b.offset.x + a.offset.z + a.axisY.z * b.offset.y + a.axisZ.z * b.offset.z;
  const auto linear = [&a](const HostVector& v) {
    return HostVector{a.axisX.x * v.x + a.axisY.x * v.y + a.axisZ.x * v.z,
                      a.axisX.y * v.x + a.axisY.y * v.y + a.axisZ.y * v.z,
                      a.axisX.z * v.x + a.axisY.z * v.y + a.axisZ.z * v.z};
  };
  r.axisX = linear(b.axisX);
  r.axisY = linear(b.axisY);
  r.axisZ = linear(b.axisZ);
  return r;
}

bool Invert(const HostMatrix& matrix, HostMatrix* inverse) {
  // Gauss-Jordan on [L | I | -offset]: the first three right-hand columns become the
  // inverse's axes, the last its offset. Solving for the offset directly avoids
  // multiplying an already rounded inverse by the offset.
  double rows[3][7];
  const HostVector* axes[3] = {&matrix.axisX, &matrix.axisY, &matrix.axisZ};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) rows[r][c] = Component(*axes[c], r);
    for (int c = 0; c < 3; ++c) rows[r][3 + c] = r == c ? 1.0 : 0.0;
    rows[r][6] = -Component(matrix.offset, r);
  }
  for (int column = 0; column < 3; ++column) {
    int pivot = column;
    for (int r = column + 1; r < 3; ++r)
      if (std::fabs(rows[r][column]) > std::fabs(rows[pivot][column])) pivot = r;
    if (rows[pivot][column] == 0.0) return false;
    if (pivot != column) std::swap(rows[pivot], rows[column]);
    const double divisor = rows[column][column];
    for (int c = 0; c < 7; ++c) rows[column][c] /= divisor;
    rows[column][column] = 1.0;
    for (int r = 0; r < 3; ++r) {
      if (r == column) continue;
      const double factor = rows[r][column];
      if (factor == 0.0) continue;
      for (int c = 0; c < 7; ++c) rows[r][c] -= factor * rows[column][c];
      rows[r][column] = 0.0;
    }
  }
  HostMatrix result;
  HostVector* resultAxes[3] = {&result.axisX, &result.axisY, &result.axisZ};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) Component(*resultAxes[c], r) = rows[r][3 + c];
    Component(result.offset, r) = rows[r][6];
  }
  if (!Finite(result)) return false;
  *inverse = result;
  return true;
}

namespace {

// The library gives exactly 1 and the zero itself (with its sign) for a zero angle;
// clearing rotations is common enough to skip the calls then.
double Cosine(double angle) { return angle == 0.0 ? 1.0 : std::cos(angle); }
double Sine(double angle) { return angle == 0.0 ? angle : std::sin(angle); }

}  // namespace

HostMatrix RotationMatrix(const HostVector& angles) {
  const double ca = Cosine(angles.x), sa = Sine(angles.x);
  const double cb = Cosine(angles.y), sb = Sine(angles.y);
  const double cc = Cosine(angles.z), sc = Sine(angles.z);
  HostMatrix m;
  m.offset = HostVector{0.0, 0.0, 0.0};
  m.axisX = HostVector{cc * cb, sc * cb, 0.0 - sb};  // not -sb: a zero turn gives +0.0
  m.axisY = HostVector{cc * sb * sa - sc * ca, sc * sb * sa + cc * ca, cb * sa};
  m.axisZ = HostVector{cc * sb * ca + sc * sa, sc * sb * ca - cc * sa, cb * ca};
  return m;
}

HostVector RotationAngles(const HostMatrix& matrix) {
  const HostVector x = Normalised(matrix.axisX);
  const HostVector y = Normalised(matrix.axisY);
  const HostVector z = Normalised(matrix.axisZ);
  const double cosY = std::hypot(x.x, x.y);
  const double angleY = std::atan2(-x.z, cosY);
  if (cosY > 1e-12) return HostVector{std::atan2(y.z, z.z), angleY, std::atan2(x.y, x.x)};
  return HostVector{0.0, angleY, std::atan2(-y.x, y.y)};
}

int MirroredAxis(const HostMatrix& m, const HostVector& previousScale) {
  const HostVector& x = m.axisX;
  const HostVector& y = m.axisY;
  const HostVector& z = m.axisZ;
  const double determinant =
      x.x * (y.y * z.z - y.z * z.y) - y.x * (x.y * z.z - x.z * z.y) + z.x * (x.y * y.z - x.z * y.y);
  if (!(determinant < 0)) return -1;
  if (previousScale.x < 0) return 0;
  if (previousScale.y < 0) return 1;
  return 2;
}

ScaleAndTurn SignedScaleAndTurn(const HostMatrix& matrix, const HostVector& previousScale) {
  ScaleAndTurn result{AxisLengths(matrix), {}};
  const int mirrored = MirroredAxis(matrix, previousScale);
  if (mirrored < 0) {
    result.angles = RotationAngles(matrix);
    return result;
  }
  HostMatrix turn = matrix;
  HostVector& axis = mirrored == 0 ? turn.axisX : mirrored == 1 ? turn.axisY : turn.axisZ;
  double& length = mirrored == 0 ? result.scale.x : mirrored == 1 ? result.scale.y : result.scale.z;
  axis = HostVector{-axis.x, -axis.y, -axis.z};
  length = -length;
  result.angles = RotationAngles(turn);
  return result;
}

HostVector SignedAxisLengths(const HostMatrix& matrix, const HostVector& previousScale) {
  HostVector lengths = AxisLengths(matrix);
  switch (MirroredAxis(matrix, previousScale)) {
    case 0:
      lengths.x = -lengths.x;
      break;
    case 1:
      lengths.y = -lengths.y;
      break;
    case 2:
      lengths.z = -lengths.z;
      break;
    default:
      break;
  }
  return lengths;
}

HostMatrix ComposeTransform(const HostVector& position, const HostVector& angles,
                            const HostVector& scale) {
  // The same products without the rotation's ones and zeros.
  if (NoTurn(angles)) {
    HostMatrix m;
    m.offset = position;
    SetUnturnedAxes(m, scale);
    return m;
  }
  HostMatrix m = RotationMatrix(angles);
  m.offset = position;
  m.axisX = Scaled(m.axisX, scale.x);
  m.axisY = Scaled(m.axisY, scale.y);
  m.axisZ = Scaled(m.axisZ, scale.z);
  return m;
}

bool SameBits(const HostVector& a, const HostVector& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameBits(const HostMatrix& a, const HostMatrix& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace kestrum
