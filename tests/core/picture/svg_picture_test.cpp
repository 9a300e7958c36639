// The picture: outlines of boxes as projected in each view, computed by hand, and a
// page with every box in every panel.

#include "svg_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <regex>

namespace kcommand {
namespace {

HostMatrix Translation(double x, double y, double z) {
  return {{x, y, z}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
}

const PictureView& View(const char* name) {
  for (const PictureView& view : PictureViews())
    if (std::string(view.name) == name) return view;
  throw std::logic_error("no view");
}

// The outline's bounds: min u, max u, min v, max v.
std::array<double, 4> Bounds(const std::vector<Point2>& outline) {
  std::array<double, 4> b{1e300, -1e300, 1e300, -1e300};
  for (const Point2& p : outline) {
    b[0] = std::min(b[0], p.u);
    b[1] = std::max(b[1], p.u);
    b[2] = std::min(b[2], p.v);
    b[3] = std::max(b[3], p.v);
  }
  return b;
}

TEST(ProjectedOutline, AnUnturnedBoxIsARectangleInEachView) {
  const PictureBox box{"b", "b", Translation(10, 20, 30), {1, 2, 3}, false};
  EXPECT_EQ(4u, ProjectedOutline(box, View("top")).size());
  EXPECT_EQ((std::array<double, 4>{9, 11, 27, 33}), Bounds(ProjectedOutline(box, View("top"))));
  EXPECT_EQ((std::array<double, 4>{9, 11, 18, 22}), Bounds(ProjectedOutline(box, View("front"))));
  EXPECT_EQ((std::array<double, 4>{27, 33, 18, 22}), Bounds(ProjectedOutline(box, View("side"))));
}

TEST(ProjectedOutline, ATurnedBoxShowsItsCornersFromAbove) {
  // A square of half size 1 turned 45 degrees about Y: from above, a diamond whose
  // corners lie sqrt(2) from the centre on the X and Z axes.
  const double c = std::sqrt(0.5);
  const PictureBox box{"b", "b", {{0, 0, 0}, {c, 0, -c}, {0, 1, 0}, {c, 0, c}}, {1, 1, 1}, false};
  const std::vector<Point2> top = ProjectedOutline(box, View("top"));
  ASSERT_EQ(4u, top.size());
  const double r = std::sqrt(2.0);
  for (const Point2& p : top)
    EXPECT_NEAR(r, std::abs(p.u) + std::abs(p.v), 1e-12) << p.u << ", " << p.v;
  const std::array<double, 4> b = Bounds(top);
  EXPECT_NEAR(-r, b[0], 1e-12);
  EXPECT_NEAR(r, b[3], 1e-12);
  // From the front it spans the same width and its own height.
  const std::array<double, 4> front = Bounds(ProjectedOutline(box, View("front")));
  EXPECT_NEAR(r, front[1], 1e-12);
  EXPECT_EQ(1, front[3]);
}

TEST(ProjectedOutline, AFlatBoxSeenEdgeOnIsALine) {
  const PictureBox floor{"f", "f", Translation(0, 0, 0), {5, 0, 5}, false};
  EXPECT_EQ(4u, ProjectedOutline(floor, View("top")).size());
  const std::vector<Point2> front = ProjectedOutline(floor, View("front"));
  ASSERT_EQ(2u, front.size());
  EXPECT_EQ((std::array<double, 4>{-5, 5, 0, 0}), Bounds(front));
}

TEST(Picture, DrawsEveryBoxInSixPanelsWithTheReferenceApart) {
  const std::vector<PictureBox> before{
      {"Table", "Table", Translation(0, 40, 0), {80, 40, 50}, true},
      {"A & B", "Group/A & B", Translation(200, 5, 0), {5, 5, 5}, false}};
  std::vector<PictureBox> after = before;
  after[1].world = Translation(0, 85, 0);
  const std::string svg = DrawPicture("title <1>", before, after);

  const std::regex polygon("<polygon class=\"([a-z ]+)\" data-object=\"([^\"]*)\"");
  size_t boxes = 0;
  size_t references = 0;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), polygon);
       it != std::sregex_iterator(); ++it) {
    ++boxes;
    if ((*it)[1] == "box reference") {
      ++references;
      EXPECT_EQ("Table", (*it)[2]);
    }
  }
  EXPECT_EQ(12u, boxes);
  EXPECT_EQ(6u, references);
  // Text is escaped.
  EXPECT_NE(std::string::npos, svg.find("title &lt;1&gt;"));
  EXPECT_NE(std::string::npos, svg.find(">A &amp; B</text>"));
  EXPECT_EQ(std::string::npos, svg.find("A & B"));
  for (const char* view : {"top", "front", "side"})
    for (const char* state : {"before", "after"})
      EXPECT_NE(std::string::npos,
                svg.find(std::string("data-view=\"") + view + "\" data-state=\"" + state + "\""));
  EXPECT_EQ(0u, svg.rfind("<?xml", 0));
  EXPECT_NE(std::string::npos, svg.find("</svg>"));
}

}  // namespace
}  // namespace kcommand
