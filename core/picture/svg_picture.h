#pragma once
// A picture of a scene before and after alignment: three orthographic views (top,
// front, side), before on the left and after on the right, every box drawn as the
// outline of its projected corners and labelled, the reference box drawn apart.
//
// Inside each view, shapes are given in scene units (a transform maps them to the
// page), so a reader can check them against the scene: top view (x, z), front view
// (x, y), side view (z, y), with y and z pointing up the page.

#include <string>
#include <vector>

#include "c4d_host_abi.h"

namespace kcommand {

struct PictureBox {
  std::string label;  // shown beside the box
  std::string path;   // shown when the pointer rests on it
  HostMatrix world;
  HostVector halfSizes;
  bool reference = false;
};

struct PictureView {
  const char* name;  // "top", "front", "side"
  int horizontal;    // scene axis across the page: 0 x, 1 y, 2 z
  int vertical;      // scene axis up the page
};

// Top: looking down Y; front: looking along +Z; side: looking along -X.
const std::vector<PictureView>& PictureViews();

struct Point2 {
  double u;
  double v;
};

// The outline of a box seen in `view`: the convex hull of its eight projected corners,
// counter-clockwise; fewer than three points when the box is flat across the view, none
// when a corner lies beyond the range of a double.
std::vector<Point2> ProjectedOutline(const PictureBox& box, const PictureView& view);

std::string DrawPicture(const std::string& title, const std::vector<PictureBox>& before,
                        const std::vector<PictureBox>& after);

}  // namespace kcommand
