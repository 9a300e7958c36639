#pragma once
// What a press did, as align and demo show it: a table of the objects that moved, and
// the boxes of the picture before and after.

#include <optional>
#include <ostream>
#include <vector>

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

}  // namespace kcommand
