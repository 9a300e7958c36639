#pragma once
// Why each object ended where it did: what the tool read and wrote through the host
// during a press, taken from the host's call trace (khost::ObjectValue), never worked
// out again here. The tool places one axis at a time, X, then Y, then Z, setting the
// offset of each axis it places; the half sizes it read before an axis are the ones
// that axis used.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "axis_choice.h"
#include "c4d_host_abi.h"
#include "call_trace.h"
#include "placement_frame.h"

namespace kcommand {

struct AxisExplanation {
  int axis;  // 0, 1, 2 for X, Y, Z
  AxisChoice choice;
  // The half sizes along the axis the tool read before placing it: none for center.
  std::optional<double> referenceHalf;
  std::optional<double> objectHalf;
  // The offset from the reference the tool set on this axis.
  double distance;
  // World positions along the axis before the tool's first write and after its last.
  double before;
  double after;
};

struct PlacementExplanation {
  std::string object;     // the moved object's path, or what a temporary object stands for
  std::string reference;  // likewise
  std::vector<AxisExplanation> axes;  // the axes the tool placed, in order
  HostVector before;                  // world position before the tool's first write
  HostVector after;                   // and after its last
  bool rotationCleared = false;       // the tool set the rotation to zero
  // The reference's world matrix the tool read and took the object into; none when it
  // read none.
  std::optional<HostMatrix> frame;
  // Set when the tool was shown boxes standing for the objects (the world or the
  // reference's frame): the positions above are then the boxes' centres.
  std::optional<PlacementFrame> placedIn;
};

// The placements one press made, from the values the trace recorded during it, in the
// order the tool moved the objects. `reference`: the object pressed against; `axes`:
// the press's settings; `name`: how an object is called. Objects the tool read but
// never wrote are left out.
std::vector<PlacementExplanation> ExplainPress(const std::vector<khost::ObjectValue>& values,
                                               HostObject* reference,
                                               const std::array<AxisChoice, 3>& axes,
                                               const std::function<std::string(HostObject*)>& name);

}  // namespace kcommand
