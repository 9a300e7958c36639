#pragma once
// The boxes a press in the world or the reference's frame shows the tool, and where a
// moved object ends up once the tool has moved its box. Every distance comes from the
// tool; this only changes axes and frames.

#include <optional>

#include "c4d_host_abi.h"

namespace kcommand {

// A vector's component along axis 0, 1 or 2.
inline double& Along(HostVector& v, size_t axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }
inline double Along(const HostVector& v, size_t axis) {
  return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

// A box in the axes a press measures along: its centre and half sizes.
struct FrameBox {
  HostVector centre;
  HostVector half;
};

// The axes to measure along for a reference with this world matrix: its X axis, then
// its Y axis made square to it, then Z = X x Y, so a mirrored or sheared reference still
// gives a turn. None when an axis has no length or the two are parallel.
std::optional<HostMatrix> ReferenceTurn(const HostMatrix& world);

// The box around the eight corners of a box of half sizes `half` centred on the origin
// of `world`, in world axes.
FrameBox WorldBox(const HostMatrix& world, const HostVector& half);

// The same box along the axes of `turn`.
FrameBox BoxAlong(const HostMatrix& turn, const HostMatrix& world, const HostVector& half);

// Where `matrix` takes the point `p`.
HostVector Transformed(const HostMatrix& matrix, const HostVector& p);

// A point given along the axes of `turn`, in world axes; and back.
HostVector OutOfTurn(const HostMatrix& turn, const HostVector& along);
HostVector IntoTurn(const HostMatrix& turn, const HostVector& world);

// An object turned to `turn` with its own signed scale: its world matrix with the box's
// centre at `centre` (world axes), and its box along the turn's axes.
HostMatrix TurnedWorld(const HostMatrix& turn, const HostVector& scale, const HostVector& centre);
HostVector TurnedHalfSizes(const HostVector& scale, const HostVector& half);

}  // namespace kcommand
