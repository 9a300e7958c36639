#pragma once
// How a press shows the objects to the tool: which boxes it sees and what of the moved
// object's placement is kept. The tool computes every distance in each of them.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace kcommand {

enum class PlacementFrame {
  // Each object as its box in world axes (the box around its box's eight corners in
  // world space), moved by the distance the tool moved that box: rotation, scale and
  // mirror kept, the reference never moved. What artists expect; the default.
  kWorld,
  // The boxes measured along the reference's axes; the moved object takes the
  // reference's orientation and keeps its own scale and mirror.
  kReference,
  // The tool as it is: positions in parent frames, half sizes along each object's own
  // axes, and the reference's world matrix (scale included) taken into the object's.
  kTool,
};

inline constexpr std::array<PlacementFrame, 3> kPlacementFrames{
    PlacementFrame::kWorld, PlacementFrame::kReference, PlacementFrame::kTool};

// "world", "reference", "tool".
const char* FrameName(PlacementFrame frame);
std::optional<PlacementFrame> ParseFrame(std::string_view text);
// What a press in the frame keeps of the moved object, as --explain and the help say it.
const char* FrameKeeps(PlacementFrame frame);

// A gap per axis (X, Y, Z): outside, the faces are that far apart; inside, the face is
// that far in from the reference's face; centre, the centre is shifted by it. Shown to
// the tool as the reference's box grown, shrunk or shifted.
using AxisGaps = std::array<double, 3>;

struct Placement {
  PlacementFrame frame = PlacementFrame::kWorld;
  AxisGaps gap{0, 0, 0};
  bool HasGap() const { return gap[0] != 0 || gap[1] != 0 || gap[2] != 0; }
};

// Throws InputError, its message starting with `where`, for a gap in the tool's frame,
// which has no box of its own to grow.
void RequireGapInBoxFrame(const Placement& placement, const std::string& where);

// "G" (every axis) or "X,Y,Z", each a finite number; none otherwise.
std::optional<AxisGaps> ParseGap(std::string_view text);

}  // namespace kcommand
