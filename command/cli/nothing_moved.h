#pragma once
// Why a press will move nothing, known from its settings before it is made: no axis
// chosen, or no object to move.

#include <string>

#include "alignment_session.h"
#include "scene_document.h"

namespace kcommand {

// The reason, said to the user; empty when the press may move something.
std::string WhyNothingWillMove(SceneDocument& document, const AlignmentPress& press);

// What is said when a press moved nothing without such a reason.
inline constexpr const char* kAlreadyInPlace = "every object to align is already in place";

}  // namespace kcommand
