#include "gltf_transform.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "transform.h"

namespace kcommand {
namespace {

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

double Dot(const Vector3& a, const Vector3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vector3 Cross(const Vector3& a, const Vector3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Vector3 Scaled(const Vector3& v, double factor) {
  return {v[0] * factor, v[1] * factor, v[2] * factor};
}

Quaternion FromRotation(const Vector3& c0, const Vector3& c1, const Vector3& c2) {
  // Element (row, column) of the rotation is column[column][row].
  const double m00 = c0[0], m10 = c0[1], m20 = c0[2];
  const double m01 = c1[0], m11 = c1[1], m21 = c1[2];
  const double m02 = c2[0], m12 = c2[1], m22 = c2[2];
  Quaternion q;
  const double trace = m00 + m11 + m22;
  if (trace > 0) {
    const double s = 0.5 / std::sqrt(trace + 1);
    q = {(m21 - m12) * s, (m02 - m20) * s, (m10 - m01) * s, 0.25 / s};
  } else if (m00 > m11 && m00 > m22) {
    const double s = 2 * std::sqrt(1 + m00 - m11 - m22);
    q = {0.25 * s, (m01 + m10) / s, (m02 + m20) / s, (m21 - m12) / s};
  } else if (m11 > m22) {
    const double s = 2 * std::sqrt(1 + m11 - m00 - m22);
    q = {(m01 + m10) / s, 0.25 * s, (m12 + m21) / s, (m02 - m20) / s};
  } else {
    const double s = 2 * std::sqrt(1 + m22 - m00 - m11);
    q = {(m02 + m20) / s, (m12 + m21) / s, 0.25 * s, (m10 - m01) / s};
  }
  const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  for (double& c : q) c /= length;
  // One sign for the same rotation, so equal matrices give equal numbers.
  if (q[3] < 0)
    for (double& c : q) c = -c;
  return q;
}

}  // namespace

LocalMatrix MatrixFromColumns(const std::vector<double>& c) {
  return {Vector3{c[12], c[13], c[14]}, Vector3{c[0], c[1], c[2]}, Vector3{c[4], c[5], c[6]},
          Vector3{c[8], c[9], c[10]}};
}

LocalMatrix MatrixFromTrs(const Trs& trs) {
  Quaternion q = trs.rotation;
  const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  for (double& c : q) c /= length;
  const double x = q[0], y = q[1], z = q[2], w = q[3];
  const Vector3 c0{1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w)};
  const Vector3 c1{2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w)};
  const Vector3 c2{2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y)};
  return {trs.translation, Scaled(c0, trs.scale[0]), Scaled(c1, trs.scale[1]),
          Scaled(c2, trs.scale[2])};
}

namespace {

// The axis a mirror image's negative scale goes on: the one that leaves the least turn
// (a node mirrored on X stays so, not mirrored on Z and turned half round), Z on a tie.
// `lengths`: the axes' lengths.
size_t LeastTurnMirror(const LocalMatrix& m, const Vector3& lengths) {
  size_t mirrored = 2;
  double straightest = -INFINITY;
  for (const size_t axis : {size_t{2}, size_t{1}, size_t{0}}) {
    double trace = 0;
    for (size_t i = 0; i < 3; ++i) trace += (i == axis ? -1 : 1) * m[i + 1][i] / lengths[i];
    if (trace > straightest + 1e-12) {
      straightest = trace;
      mirrored = axis;
    }
  }
  return mirrored;
}

}  // namespace

std::optional<Trs> DecomposeTrs(const LocalMatrix& m) {
  Trs trs;
  trs.translation = m[0];
  double largest = 0;
  for (size_t axis = 1; axis < 4; ++axis) {
    trs.scale[axis - 1] = std::sqrt(Dot(m[axis], m[axis]));
    for (double c : m[axis]) largest = std::max(largest, std::fabs(c));
  }
  if (!(largest > 0) || !std::isfinite(largest)) return std::nullopt;
  for (double s : trs.scale)
    if (!(s > largest * kTrsTolerance)) return std::nullopt;
  if (Dot(m[1], Cross(m[2], m[3])) < 0) {
    const size_t mirrored = LeastTurnMirror(m, trs.scale);
    trs.scale[mirrored] = -trs.scale[mirrored];
  }
  trs.rotation = FromRotation(Scaled(m[1], 1 / trs.scale[0]), Scaled(m[2], 1 / trs.scale[1]),
                              Scaled(m[3], 1 / trs.scale[2]));
  const LocalMatrix back = MatrixFromTrs(trs);
  for (size_t axis = 1; axis < 4; ++axis)
    for (size_t i = 0; i < 3; ++i)
      if (!(std::fabs(back[axis][i] - m[axis][i]) <= largest * kTrsTolerance)) return std::nullopt;
  return trs;
}

void SetEulerFields(const LocalMatrix& matrix, SceneObject& object) {
  object.position = matrix[0];
  HostMatrix host = ToHost(matrix);
  const HostVector lengths = kestrum::AxisLengths(host);
  object.scale = {lengths.x, lengths.y, lengths.z};
  if (Dot(matrix[1], Cross(matrix[2], matrix[3])) < 0) {
    const size_t mirrored = LeastTurnMirror(matrix, object.scale);
    object.scale[mirrored] = -object.scale[mirrored];
    HostVector& axis = mirrored == 0 ? host.axisX : mirrored == 1 ? host.axisY : host.axisZ;
    axis = {-axis.x, -axis.y, -axis.z};
  }
  const HostVector angles = kestrum::RotationAngles(host);
  object.rotationDegrees = {angles.x * kDegreesPerRadian, angles.y * kDegreesPerRadian,
                            angles.z * kDegreesPerRadian};
}

LocalMatrix MatrixFromEulerFields(const SceneObject& object) {
  const Vector3& d = object.rotationDegrees;
  const HostMatrix m = kestrum::ComposeTransform(
      {object.position[0], object.position[1], object.position[2]},
      {d[0] / kDegreesPerRadian, d[1] / kDegreesPerRadian, d[2] / kDegreesPerRadian},
      {object.scale[0], object.scale[1], object.scale[2]});
  return {Vector3{m.offset.x, m.offset.y, m.offset.z}, Vector3{m.axisX.x, m.axisX.y, m.axisX.z},
          Vector3{m.axisY.x, m.axisY.y, m.axisY.z}, Vector3{m.axisZ.x, m.axisZ.y, m.axisZ.z}};
}

}  // namespace kcommand
