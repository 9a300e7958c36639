#pragma once
// A glTF node's transform and the host's local matrix, both ways. glTF's axes map
// one to one onto the host's: a node matrix's columns are the host matrix's X, Y and Z
// axes and its offset.

#include <array>
#include <optional>
#include <vector>

#include "host_values.h"
#include "scene_model.h"

namespace kcommand {

using Quaternion = std::array<double, 4>;  // x, y, z, w as glTF stores it

struct Trs {
  Vector3 translation{0, 0, 0};
  Quaternion rotation{0, 0, 0, 1};
  Vector3 scale{1, 1, 1};
};

// Largest difference, relative to the matrix's largest axis component, between a matrix
// and the TRS written for it. glTF can only hold a rotation and scale per node.
constexpr double kTrsTolerance = 1e-6;

// From glTF's 16 numbers in column order (the last row is not read).
LocalMatrix MatrixFromColumns(const std::vector<double>& columns);
// T * R * S; the quaternion is normalised first.
LocalMatrix MatrixFromTrs(const Trs& trs);
// The TRS that recomposes `matrix` within kTrsTolerance; nothing for shear or an axis of
// zero length. A mirror image comes back as a negative scale on the axis that leaves
// the least turn (Z when all leave as much).
std::optional<Trs> DecomposeTrs(const LocalMatrix& matrix);

// Position, rotation (degrees) and scale of the JSON scene format for a matrix, and the
// matrix for them.
void SetEulerFields(const LocalMatrix& matrix, SceneObject& object);
LocalMatrix MatrixFromEulerFields(const SceneObject& object);

}  // namespace kcommand
