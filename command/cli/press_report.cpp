#include "press_report.h"

#include <algorithm>
#include <cstdio>

#include "json_number_text.h"

namespace kcommand {

std::vector<PictureBox> PictureBoxes(const SceneInHost& objects,
                                     const std::vector<HostPlacement>& placements,
                                     std::optional<size_t> reference) {
  std::vector<PictureBox> boxes;
  for (size_t i = 0; i < placements.size(); ++i) {
    const ObjectEntry& entry = objects.Entries()[i];
    boxes.push_back({entry.object->name, entry.path, placements[i].world, placements[i].halfSizes,
                     reference == i});
  }
  return boxes;
}

namespace {

std::string Point(const HostVector& v) {
  char text[96];
  std::snprintf(text, sizeof text, "(%9.3f, %9.3f, %9.3f)", WithoutNegativeZero(v.x),
                WithoutNegativeZero(v.y), WithoutNegativeZero(v.z));
  return text;
}

}  // namespace

size_t WriteMovedTable(std::ostream& out, const SceneInHost& objects,
                       const std::vector<HostPlacement>& before,
                       const std::vector<HostPlacement>& after) {
  std::vector<size_t> moved;
  size_t width = 6;
  for (size_t i = 0; i < after.size(); ++i) {
    if (SamePlacement(before[i], after[i])) continue;
    moved.push_back(i);
    width = std::max(width, objects.Entries()[i].path.size());
  }
  if (moved.empty()) {
    out << "nothing moved\n";
    return 0;
  }
  const std::string pad(width, ' ');
  out << "object" << pad.substr(6) << "  world position before" << std::string(14, ' ')
      << "  world position after\n";
  for (size_t i : moved) {
    const std::string& path = objects.Entries()[i].path;
    out << path << pad.substr(path.size()) << "  " << Point(before[i].world.offset) << "  "
        << Point(after[i].world.offset) << "\n";
  }
  return moved.size();
}

}  // namespace kcommand
