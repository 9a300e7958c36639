#include "frame_boxes.h"

#include <cmath>

namespace kcommand {
namespace {

double Dot(const HostVector& a, const HostVector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

HostVector Scaled(const HostVector& v, double s) { return {v.x * s, v.y * s, v.z * s}; }

HostVector Minus(const HostVector& a, const HostVector& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}

HostVector Cross(const HostVector& a, const HostVector& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

std::optional<HostVector> Unit(const HostVector& v) {
  const double length = std::sqrt(Dot(v, v));
  if (!(length > 0) || !std::isfinite(length)) return std::nullopt;
  return Scaled(v, 1 / length);
}

// Half the box's extent along `direction` (unit length): each half size times how far
// its axis reaches that way.
double Reach(const HostVector& direction, const HostMatrix& world, const HostVector& half) {
  return std::fabs(Dot(direction, world.axisX)) * half.x +
         std::fabs(Dot(direction, world.axisY)) * half.y +
         std::fabs(Dot(direction, world.axisZ)) * half.z;
}

}  // namespace

std::optional<HostMatrix> ReferenceTurn(const HostMatrix& world) {
  const std::optional<HostVector> x = Unit(world.axisX);
  if (!x) return std::nullopt;
  const std::optional<HostVector> y = Unit(Minus(world.axisY, Scaled(*x, Dot(*x, world.axisY))));
  if (!y) return std::nullopt;
  return HostMatrix{{0, 0, 0}, *x, *y, Cross(*x, *y)};
}

FrameBox WorldBox(const HostMatrix& world, const HostVector& half) {
  const HostVector reach{std::fabs(world.axisX.x) * half.x + std::fabs(world.axisY.x) * half.y +
                             std::fabs(world.axisZ.x) * half.z,
                         std::fabs(world.axisX.y) * half.x + std::fabs(world.axisY.y) * half.y +
                             std::fabs(world.axisZ.y) * half.z,
                         std::fabs(world.axisX.z) * half.x + std::fabs(world.axisY.z) * half.y +
                             std::fabs(world.axisZ.z) * half.z};
  return {world.offset, reach};
}

FrameBox BoxAlong(const HostMatrix& turn, const HostMatrix& world, const HostVector& half) {
  return {IntoTurn(turn, world.offset),
          {Reach(turn.axisX, world, half), Reach(turn.axisY, world, half),
           Reach(turn.axisZ, world, half)}};
}

HostVector Transformed(const HostMatrix& m, const HostVector& p) {
  return {m.offset.x + m.axisX.x * p.x + m.axisY.x * p.y + m.axisZ.x * p.z,
          m.offset.y + m.axisX.y * p.x + m.axisY.y * p.y + m.axisZ.y * p.z,
          m.offset.z + m.axisX.z * p.x + m.axisY.z * p.y + m.axisZ.z * p.z};
}

HostVector OutOfTurn(const HostMatrix& turn, const HostVector& along) {
  return {turn.axisX.x * along.x + turn.axisY.x * along.y + turn.axisZ.x * along.z,
          turn.axisX.y * along.x + turn.axisY.y * along.y + turn.axisZ.y * along.z,
          turn.axisX.z * along.x + turn.axisY.z * along.y + turn.axisZ.z * along.z};
}

HostVector IntoTurn(const HostMatrix& turn, const HostVector& world) {
  return {Dot(turn.axisX, world), Dot(turn.axisY, world), Dot(turn.axisZ, world)};
}

HostMatrix TurnedWorld(const HostMatrix& turn, const HostVector& scale, const HostVector& centre) {
  return {centre, Scaled(turn.axisX, scale.x), Scaled(turn.axisY, scale.y),
          Scaled(turn.axisZ, scale.z)};
}

HostVector TurnedHalfSizes(const HostVector& scale, const HostVector& half) {
  return {std::fabs(scale.x) * half.x, std::fabs(scale.y) * half.y, std::fabs(scale.z) * half.z};
}

}  // namespace kcommand
