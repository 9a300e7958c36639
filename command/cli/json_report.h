#pragma once
// Pieces of the document --json writes (docs/command-output.schema.json): placements in
// world space, and the objects a press moved.

#include <nlohmann/json.hpp>
#include <vector>

#include "press_explanation.h"
#include "scene_in_host.h"

namespace kcommand {

// [x, y, z] as numbers; -0 written as 0.
nlohmann::ordered_json VectorJson(const HostVector& v);
// {"position", "rotation" (degrees, X then Y then Z about the parent's axes), "scale"} of
// a world matrix.
nlohmann::ordered_json WorldPlacementJson(const HostMatrix& world);
// [{"path", "before", "after"}] for every object whose placement changed.
nlohmann::ordered_json MovedObjectsJson(const SceneInHost& objects,
                                        const std::vector<HostPlacement>& before,
                                        const std::vector<HostPlacement>& after);

// --explain: [{"object", "reference", "before", "after", "axes", "rotation"}], one per
// placement a press made (see PlacementExplanation).
nlohmann::ordered_json ExplanationsJson(const std::vector<PlacementExplanation>& placed);

}  // namespace kcommand
