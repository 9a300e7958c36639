#include "scene_call_text.h"

#include <charconv>

namespace khost {
namespace {

void AppendNumber(std::string& text, double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  text.append(buffer, result.ptr);
}

// Appending, not chains of operator+: one growing string instead of a temporary per
// piece (g++ 12 at -O3 also reports a false overlap in such chains).
void AppendVector(std::string& text, const HostVector& vector) {
  text += '(';
  AppendNumber(text, vector.x);
  text += ", ";
  AppendNumber(text, vector.y);
  text += ", ";
  AppendNumber(text, vector.z);
  text += ')';
}

}  // namespace

std::string NumberText(double value) {
  std::string text;
  AppendNumber(text, value);
  return text;
}

std::string VectorText(const HostVector& vector) {
  std::string text;
  AppendVector(text, vector);
  return text;
}

std::string MatrixText(const HostMatrix& matrix) {
  std::string text;
  text += '[';
  AppendVector(text, matrix.offset);
  text += ", ";
  AppendVector(text, matrix.axisX);
  text += ", ";
  AppendVector(text, matrix.axisY);
  text += ", ";
  AppendVector(text, matrix.axisZ);
  text += ']';
  return text;
}

}  // namespace khost
