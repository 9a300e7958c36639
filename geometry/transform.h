#pragma once
// Matrix arithmetic of the host's scene, on the same Vector and Matrix values the
// module exchanges. The product follows the module's rule term for term, so a product
// formed here and one formed in the module agree bit for bit.
//
// Rotation convention: angles (x, y, z) in radians turn about the X, Y and Z axes, X
// first, then Y, then Z, all about the fixed parent axes: R = Rz(z) * Ry(y) * Rx(x).

#include <bit>
#include <cmath>
#include <cstdint>

#include "c4d_host_abi.h"

namespace kestrum {

HostMatrix IdentityMatrix();

// The matrix that applies b first and then a. Each component is summed left to right in
// the order the module uses, so results never differ by rounding.
HostMatrix Multiply(const HostMatrix& a, const HostMatrix& b);

// Solves for the inverse with partial pivoting. False (and `inverse` untouched) when the
// linear part is singular or the result would not be finite.
bool Invert(const HostMatrix& matrix, HostMatrix* inverse);

// Pure rotation (zero offset) for the angles above.
HostMatrix RotationMatrix(const HostVector& angles);

// Angles whose rotation matrix points the axes of `matrix` the same way. The axes are
// normalised first; shear is ignored. With the Y angle at +-90 degrees the X angle is 0.
HostVector RotationAngles(const HostMatrix& matrix);

// Length of each axis: the per-axis scale of a matrix without shear. Inline, so that a
// caller gets the lengths in registers: returned through memory a component at a time
// and copied on as one wide value, they would wait for the stores to reach the cache.
inline HostVector AxisLengths(const HostMatrix& matrix) {
  const auto length = [](const HostVector& v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  };
  return HostVector{length(matrix.axisX), length(matrix.axisY), length(matrix.axisZ)};
}

// The axis a mirror image is read on: none (-1) for a matrix that keeps handedness;
// else the first axis `previousScale` has negative, so an object mirrored on X stays
// mirrored on X, and Z when it has none.
int MirroredAxis(const HostMatrix& matrix, const HostVector& previousScale);

// The per-axis scale and the rotation of a matrix without shear, a mirror image as a
// negative scale on MirroredAxis (never as a turn of 180 degrees).
struct ScaleAndTurn {
  HostVector scale;
  HostVector angles;
};
ScaleAndTurn SignedScaleAndTurn(const HostMatrix& matrix, const HostVector& previousScale);
// Its scale alone, without the arc tangents of the turn.
HostVector SignedAxisLengths(const HostMatrix& matrix, const HostVector& previousScale);

// offset = position, axes = the rotation's axes times the per-axis scale.
HostMatrix ComposeTransform(const HostVector& position, const HostVector& angles,
                            const HostVector& scale);

// Each angle +0.0, as when a tool clears rotations: the rotation is exactly the
// identity with +0.0 off the diagonal.
inline bool NoTurn(const HostVector& angles) {
  return std::bit_cast<uint64_t>(angles.x) == 0 && std::bit_cast<uint64_t>(angles.y) == 0 &&
         std::bit_cast<uint64_t>(angles.z) == 0;
}

// ComposeTransform's axes for no turn, written in place; the offset is kept. The zeros
// are products, so a negative scale gives -0.0 as the general path does.
inline void SetUnturnedAxes(HostMatrix& matrix, const HostVector& scale) {
  matrix.axisX = HostVector{scale.x, 0.0 * scale.x, 0.0 * scale.x};
  matrix.axisY = HostVector{0.0 * scale.y, scale.y, 0.0 * scale.y};
  matrix.axisZ = HostVector{0.0 * scale.z, 0.0 * scale.z, scale.z};
}

// Read a component at a time. The module writes its vectors and matrices a component at
// a time just before handing them over, and a wider load across two such stores cannot
// take the values from the store queue: it waits until they reach the cache, a stall
// on every call. Volatile keeps the compiler from merging the loads.
inline HostVector LoadComponents(const HostVector& vector) {
  const volatile HostVector& from = vector;
  return HostVector{from.x, from.y, from.z};
}
inline HostMatrix LoadComponents(const HostMatrix& matrix) {
  return HostMatrix{LoadComponents(matrix.offset), LoadComponents(matrix.axisX),
                    LoadComponents(matrix.axisY), LoadComponents(matrix.axisZ)};
}

bool SameBits(const HostVector& a, const HostVector& b);
bool SameBits(const HostMatrix& a, const HostMatrix& b);

}  // namespace kestrum
