#pragma once
// Why a press will move nothing, known from its settings before it is made: no axis
// chosen, or no object to move.

#include <string>

#include "alignment_session.h"
#include "scene_document.h"

namespace kcommand {

// The reason, said to the user; empty when the press may move something. `named`: the
// objects to move are named (a stack), so the selection plays no part.
std::string WhyNothingWillMove(SceneDocument& document, const AlignmentPress& press, bool named);

}  // namespace kcommand
