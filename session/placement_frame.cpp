#include "placement_frame.h"

#include <charconv>
#include <cmath>

#include "input_error.h"

namespace kcommand {

const char* FrameName(PlacementFrame frame) {
  switch (frame) {
    case PlacementFrame::kWorld:
      return "world";
    case PlacementFrame::kReference:
      return "reference";
    case PlacementFrame::kTool:
      return "tool";
  }
  return "world";
}

std::optional<PlacementFrame> ParseFrame(std::string_view text) {
  for (const PlacementFrame frame : kPlacementFrames)
    if (text == FrameName(frame)) return frame;
  return std::nullopt;
}

const char* FrameKeeps(PlacementFrame frame) {
  switch (frame) {
    case PlacementFrame::kWorld:
      return "boxes in world axes; each object moved by its box's distance, its rotation, "
             "scale and mirror kept";
    case PlacementFrame::kReference:
      return "boxes along the reference's axes; each object turned to the reference's "
             "orientation, its own scale and mirror kept";
    case PlacementFrame::kTool:
      return "the tool's own frames: positions in parent frames, the reference's rotation "
             "and scale taken";
  }
  return "";
}

void RequireGapInBoxFrame(const Placement& placement, const std::string& where) {
  if (placement.frame == PlacementFrame::kTool && placement.HasGap())
    throw InputError(where +
                     ": a gap needs the world or the reference's frame; the tool's own frame "
                     "has no box of its own to grow");
}

namespace {

std::optional<double> FiniteNumber(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace

std::optional<AxisGaps> ParseGap(std::string_view text) {
  if (text.find(',') == std::string_view::npos) {
    const std::optional<double> all = FiniteNumber(text);
    if (!all) return std::nullopt;
    return AxisGaps{*all, *all, *all};
  }
  AxisGaps gaps{};
  for (size_t axis = 0; axis < 3; ++axis) {
    const size_t comma = text.find(',');
    if ((axis < 2) == (comma == std::string_view::npos)) return std::nullopt;
    const std::optional<double> value = FiniteNumber(text.substr(0, comma));
    if (!value) return std::nullopt;
    gaps[axis] = *value;
    text = axis < 2 ? text.substr(comma + 1) : std::string_view();
  }
  return gaps;
}

}  // namespace kcommand
