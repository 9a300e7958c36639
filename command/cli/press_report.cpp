#include "press_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "json_number_text.h"
#include "transform.h"

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

// World rotation in degrees about X, then Y, then Z, as the scene format gives it.
HostVector WorldDegrees(const HostMatrix& world) {
  const double degrees = 180.0 / std::numbers::pi;
  const HostVector angles = kestrum::RotationAngles(world);
  return {angles.x * degrees, angles.y * degrees, angles.z * degrees};
}

// Turned by more than the table shows (a thousandth of a degree).
bool Turned(const HostMatrix& before, const HostMatrix& after) {
  const HostVector a = WorldDegrees(before), b = WorldDegrees(after);
  return std::fabs(a.x - b.x) >= 5e-4 || std::fabs(a.y - b.y) >= 5e-4 ||
         std::fabs(a.z - b.z) >= 5e-4;
}

}  // namespace

size_t WriteMovedTable(std::ostream& out, const SceneInHost& objects,
                       const std::vector<HostPlacement>& before,
                       const std::vector<HostPlacement>& after) {
  std::vector<size_t> moved;
  size_t width = 6;
  bool turned = false;
  for (size_t i = 0; i < after.size(); ++i) {
    if (SamePlacement(before[i], after[i])) continue;
    moved.push_back(i);
    width = std::max(width, objects.Entries()[i].path.size());
    turned = turned || Turned(before[i].world, after[i].world);
  }
  if (moved.empty()) {
    out << "nothing moved\n";
    return 0;
  }
  const std::string pad(width, ' ');
  // Rotation columns only when a press turned something: in the reference's frame and
  // the tool's a moved object takes the reference's orientation.
  out << "object" << pad.substr(6) << "  world position before" << std::string(14, ' ')
      << "  world position after";
  if (turned)
    out << std::string(14, ' ') << "  world rotation before" << std::string(14, ' ')
        << "  world rotation after";
  out << "\n";
  for (size_t i : moved) {
    const std::string& path = objects.Entries()[i].path;
    out << path << pad.substr(path.size()) << "  " << Point(before[i].world.offset) << "  "
        << Point(after[i].world.offset);
    if (turned)
      out << "  " << Point(WorldDegrees(before[i].world)) << "  "
          << Point(WorldDegrees(after[i].world));
    out << "\n";
  }
  return moved.size();
}

namespace {

std::string Number(double value) {
  char text[48];
  std::snprintf(text, sizeof text, "%.6g", WithoutNegativeZero(value));
  return text;
}

}  // namespace

void WriteExplanations(std::ostream& out, const std::vector<PlacementExplanation>& placed) {
  out << "explain: " << placed.size() << (placed.size() == 1 ? " placement" : " placements")
      << ", as the tool read and wrote them through the host\n";
  for (const PlacementExplanation& placement : placed) {
    out << "  " << placement.object << " against " << placement.reference << ": "
        << Point(placement.before) << "  ->  " << Point(placement.after) << "\n";
    for (const AxisExplanation& axis : placement.axes) {
      out << "    " << kAxisLetters[static_cast<size_t>(axis.axis)] << " "
          << FormatAxisChoice(axis.choice) << ": ";
      if (axis.referenceHalf && axis.objectHalf)
        out << "half sizes read: reference " << Number(*axis.referenceHalf) << ", object "
            << Number(*axis.objectHalf) << "; ";
      out << "distance set " << Number(axis.distance) << "; " << Number(axis.before) << " -> "
          << Number(axis.after) << "\n";
    }
    if (placement.placedIn == PlacementFrame::kWorld) {
      out << "    boxes in world axes: the object moved by its box's distance, its rotation "
             "and scale kept\n";
    } else if (placement.placedIn == PlacementFrame::kReference) {
      out << "    boxes along the axes of " << placement.reference
          << ": the object turned to them, its own scale kept\n";
    } else {
      out << "    rotation: " << (placement.rotationCleared ? "cleared" : "kept");
      if (placement.frame) out << ", then the frame of " << placement.reference << " taken";
      out << "\n";
    }
  }
}

void WriteDistribution(std::ostream& out, const SceneInHost& objects, int axis,
                       const Distribution& distribution) {
  if (distribution.order.empty()) return;
  out << "distribute on " << kAxisLetters[static_cast<size_t>(axis)] << ": ";
  for (size_t i = 0; i < distribution.order.size(); ++i)
    out << (i ? ", " : "") << objects.Entries()[distribution.order[i]].path;
  out << " (lowest first); " << Number(distribution.gap) << " between neighbouring boxes\n";
}

}  // namespace kcommand
