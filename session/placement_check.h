#pragma once
// Whether the objects of a document still have placements the host can represent: after
// a tool has moved objects, arithmetic on very large values may have left a matrix, or
// the position, rotation or scale read from it, infinite or NaN. Such a placement can
// be neither shown nor stored, so whoever saves the document asks here first.

#include "c4d_host_abi.h"
#include "scene.h"

namespace kcommand {

// False when the object's local or world matrix, its position, rotation or scale read
// from them, or its half sizes hold a value that is not finite.
bool PlacementIsFinite(khost::Scene& scene, HostObject* object);

}  // namespace kcommand
