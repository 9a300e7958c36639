#pragma once
// What a press did, as align and demo show it: a table of the objects that moved, and
// the boxes of the picture before and after.

#include <optional>
#include <ostream>
#include <vector>

#include "alignment_session.h"
#include "press_explanation.h"
#include "scene_in_host.h"
#include "svg_picture.h"

namespace kcommand {

// Boxes for the picture, labelled with the objects' names; `reference` drawn apart.
std::vector<PictureBox> PictureBoxes(const SceneInHost& objects,
                                     const std::vector<HostPlacement>& placements,
                                     std::optional<size_t> reference);

// "  Vase    (x, y, z)  ->  (x, y, z)" for every object whose placement changed; the
// number of lines written.
size_t WriteMovedTable(std::ostream& out, const SceneInHost& objects,
                       const std::vector<HostPlacement>& before,
                       const std::vector<HostPlacement>& after);

// --explain: for every placement a press made, the axes the tool placed (mode and side,
// the half sizes it read, the distance it set, the position before and after) and what
// it did to the rotation, as the host's call trace recorded them.
void WriteExplanations(std::ostream& out, const std::vector<PlacementExplanation>& placed);

// --explain for --distribute: the order the objects were spaced in and the gap.
void WriteDistribution(std::ostream& out, const SceneInHost& objects, int axis,
                       const Distribution& distribution);

}  // namespace kcommand
