#include "scene_call_text.h"

#include <charconv>

namespace khost {

std::string NumberText(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string VectorText(const HostVector& vector) {
  return "(" + NumberText(vector.x) + ", " + NumberText(vector.y) + ", " +
         NumberText(vector.z) + ")";
}

std::string MatrixText(const HostMatrix& matrix) {
  return "[" + VectorText(matrix.offset) + ", " + VectorText(matrix.axisX) + ", " +
         VectorText(matrix.axisY) + ", " + VectorText(matrix.axisZ) + "]";
}

}  // namespace khost
