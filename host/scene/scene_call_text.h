#pragma once
// Values as the call trace shows them: numbers in their shortest exact form.

#include <string>

#include "c4d_host_abi.h"

namespace khost {

std::string NumberText(double value);
// "(x, y, z)"
std::string VectorText(const HostVector& vector);
// "[offset, axisX, axisY, axisZ]", each as a vector
std::string MatrixText(const HostMatrix& matrix);

}  // namespace khost
