#include "svg_picture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>

#include "json_number_text.h"

namespace kcommand {
namespace {

constexpr double kPanelWidth = 440;
constexpr double kPanelHeight = 300;
constexpr double kPanelPadding = 36;  // room for labels inside each panel
constexpr double kMargin = 24;
constexpr double kHeader = 56;
constexpr double kRowGap = 30;
constexpr double kColumnGap = 30;

constexpr std::array<const char*, 8> kPalette{"#1f77b4", "#2ca02c", "#9467bd", "#ff7f0e",
                                              "#17becf", "#8c564b", "#e377c2", "#7f7f7f"};
constexpr const char* kReferenceColour = "#c0002a";

double Component(const HostVector& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", WithoutNegativeZero(value));
  return text;
}

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

double Cross(const Point2& o, const Point2& a, const Point2& b) {
  return (a.u - o.u) * (b.v - o.v) - (a.v - o.v) * (b.u - o.u);
}

std::vector<Point2> ConvexHull(std::vector<Point2> points) {
  std::sort(points.begin(), points.end(), [](const Point2& a, const Point2& b) {
    return a.u < b.u || (a.u == b.u && a.v < b.v);
  });
  points.erase(
      std::unique(points.begin(), points.end(),
                  [](const Point2& a, const Point2& b) { return a.u == b.u && a.v == b.v; }),
      points.end());
  if (points.size() < 3) return points;
  std::vector<Point2> hull(2 * points.size());
  size_t k = 0;
  for (const Point2& p : points) {
    while (k >= 2 && Cross(hull[k - 2], hull[k - 1], p) <= 0) --k;
    hull[k++] = p;
  }
  for (size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && Cross(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
    hull[k++] = points[i];
  }
  hull.resize(k - 1);
  return hull;
}

struct Bounds {
  double minU = std::numeric_limits<double>::infinity();
  double maxU = -std::numeric_limits<double>::infinity();
  double minV = std::numeric_limits<double>::infinity();
  double maxV = -std::numeric_limits<double>::infinity();
  void Add(const Point2& p) {
    minU = std::min(minU, p.u);
    maxU = std::max(maxU, p.u);
    minV = std::min(minV, p.v);
    maxV = std::max(maxV, p.v);
  }
  bool Empty() const { return minU > maxU; }
};

Point2 Project(const HostVector& point, const PictureView& view) {
  return {Component(point, view.horizontal), Component(point, view.vertical)};
}

// Where one panel sits on the page and how scene units map into it.
struct PanelPlacement {
  double x, y;   // top left corner on the page
  double scale;  // page units per scene unit
  double centreU, centreV;
  double PageX(double u) const { return x + kPanelWidth / 2 + scale * (u - centreU); }
  double PageY(double v) const { return y + kPanelHeight / 2 - scale * (v - centreV); }
};

void DrawPanel(std::ostringstream& svg, const std::vector<PictureBox>& boxes,
               const PictureView& view, const char* state, const PanelPlacement& panel) {
  svg << "<g class=\"panel\" data-view=\"" << view.name << "\" data-state=\"" << state << "\">\n";
  svg << "<rect x=\"" << Number(panel.x) << "\" y=\"" << Number(panel.y) << "\" width=\""
      << Number(kPanelWidth) << "\" height=\"" << Number(kPanelHeight)
      << "\" fill=\"#fafafa\" stroke=\"#bbbbbb\"/>\n";
  static constexpr std::array<char, 3> kAxisNames{'X', 'Y', 'Z'};
  svg << "<text x=\"" << Number(panel.x + 8) << "\" y=\"" << Number(panel.y + 18)
      << "\" class=\"caption\">" << view.name << " ("
      << kAxisNames[static_cast<size_t>(view.horizontal)] << " \u2192, "
      << kAxisNames[static_cast<size_t>(view.vertical)] << " \u2191)</text>\n";

  // Scene units inside this group: u to the right, v up.
  svg << "<g class=\"scene-units\" transform=\"matrix(" << Number(panel.scale) << " 0 0 "
      << Number(-panel.scale) << " " << Number(panel.PageX(0)) << " " << Number(panel.PageY(0))
      << ")\">\n";
  const double halfU = (kPanelWidth / 2) / panel.scale;
  const double halfV = (kPanelHeight / 2) / panel.scale;
  svg << "<path class=\"axes\" d=\"M " << Number(panel.centreU - halfU) << " 0 H "
      << Number(panel.centreU + halfU) << " M 0 " << Number(panel.centreV - halfV) << " V "
      << Number(panel.centreV + halfV) << "\"/>\n";
  for (size_t i = 0; i < boxes.size(); ++i) {
    const PictureBox& box = boxes[i];
    const char* colour = box.reference ? kReferenceColour : kPalette[i % kPalette.size()];
    svg << "<polygon class=\"" << (box.reference ? "box reference" : "box") << "\" data-object=\""
        << Escape(box.path) << "\" stroke=\"" << colour << "\" fill=\"" << colour << "\" points=\"";
    const std::vector<Point2> outline = ProjectedOutline(box, view);
    for (size_t p = 0; p < outline.size(); ++p)
      svg << (p ? " " : "") << Number(outline[p].u) << "," << Number(outline[p].v);
    svg << "\"><title>" << Escape(box.path) << "</title></polygon>\n";
  }
  svg << "</g>\n";
  // Labels sit just above each outline: boxes inside others, or sharing an origin, then
  // keep their labels apart.
  for (const PictureBox& box : boxes) {
    const Point2 centre = Project(box.world.offset, view);
    double top = centre.v;
    for (const Point2& p : ProjectedOutline(box, view)) top = std::max(top, p.v);
    svg << "<text class=\"label" << (box.reference ? " reference" : "") << "\" x=\""
        << Number(panel.PageX(centre.u)) << "\" y=\"" << Number(panel.PageY(top) - 8) << "\">"
        << Escape(box.label) << "</text>\n";
  }
  svg << "</g>\n";
}

}  // namespace

const std::vector<PictureView>& PictureViews() {
  static const std::vector<PictureView> views{{"top", 0, 2}, {"front", 0, 1}, {"side", 2, 1}};
  return views;
}

std::vector<Point2> ProjectedOutline(const PictureBox& box, const PictureView& view) {
  std::vector<Point2> corners;
  const HostMatrix& m = box.world;
  for (int i = 0; i < 8; ++i) {
    const double x = (i & 1) ? box.halfSizes.x : -box.halfSizes.x;
    const double y = (i & 2) ? box.halfSizes.y : -box.halfSizes.y;
    const double z = (i & 4) ? box.halfSizes.z : -box.halfSizes.z;
    const HostVector corner{m.offset.x + m.axisX.x * x + m.axisY.x * y + m.axisZ.x * z,
                            m.offset.y + m.axisX.y * x + m.axisY.y * y + m.axisZ.y * z,
                            m.offset.z + m.axisX.z * x + m.axisY.z * y + m.axisZ.z * z};
    const Point2 projected = Project(corner, view);
    // Corners of a box near the largest doubles can overflow; sorting NaN is undefined.
    if (!std::isfinite(projected.u) || !std::isfinite(projected.v)) return {};
    corners.push_back(projected);
  }
  return ConvexHull(corners);
}

std::string DrawPicture(const std::string& title, const std::vector<PictureBox>& before,
                        const std::vector<PictureBox>& after) {
  const std::vector<PictureView>& views = PictureViews();
  // One scale for every panel, so sizes compare across views and states.
  std::vector<Bounds> bounds(views.size());
  for (size_t v = 0; v < views.size(); ++v)
    for (const auto* boxes : {&before, &after})
      for (const PictureBox& box : *boxes)
        for (const Point2& p : ProjectedOutline(box, views[v])) bounds[v].Add(p);
  double scale = std::numeric_limits<double>::infinity();
  for (const Bounds& b : bounds) {
    if (b.Empty()) continue;
    const double usableWidth = kPanelWidth - 2 * kPanelPadding;
    const double usableHeight = kPanelHeight - 2 * kPanelPadding;
    if (b.maxU > b.minU) scale = std::min(scale, usableWidth / (b.maxU - b.minU));
    if (b.maxV > b.minV) scale = std::min(scale, usableHeight / (b.maxV - b.minV));
  }
  if (!std::isfinite(scale) || scale <= 0) scale = 1;

  const double width = 2 * kMargin + 2 * kPanelWidth + kColumnGap;
  const double height = kHeader + kMargin + 3 * kPanelHeight + 2 * kRowGap;
  std::ostringstream svg;
  svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Number(width) << "\" height=\""
      << Number(height) << "\" viewBox=\"0 0 " << Number(width) << " " << Number(height)
      << "\" font-family=\"sans-serif\">\n"
      << "<style>\n"
      << "  .box { stroke-width: 1.5; fill-opacity: 0.18; vector-effect: non-scaling-stroke; "
         "stroke-linejoin: round; stroke-linecap: round; }\n"
      << "  .box.reference { stroke-width: 3; stroke-dasharray: 8 4; fill-opacity: 0.08; }\n"
      << "  .axes { stroke: #dddddd; stroke-width: 1; fill: none; vector-effect: "
         "non-scaling-stroke; }\n"
      << "  .label { font-size: 12px; text-anchor: middle; dominant-baseline: middle; "
         "paint-order: stroke; stroke: #ffffff; stroke-width: 3px; }\n"
      << "  .label.reference { font-weight: bold; fill: " << kReferenceColour << "; }\n"
      << "  .caption { font-size: 13px; fill: #555555; }\n"
      << "  .heading { font-size: 16px; font-weight: bold; }\n"
      << "</style>\n"
      << "<text class=\"heading\" x=\"" << Number(kMargin) << "\" y=\"26\">" << Escape(title)
      << "</text>\n";
  const char* states[2] = {"before", "after"};
  for (int column = 0; column < 2; ++column) {
    const double x = kMargin + column * (kPanelWidth + kColumnGap);
    svg << "<text class=\"heading\" x=\"" << Number(x + kPanelWidth / 2) << "\" y=\""
        << Number(kHeader - 6) << "\" text-anchor=\"middle\">" << states[column] << "</text>\n";
  }
  svg << "<text class=\"caption\" x=\"" << Number(width - kMargin) << "\" y=\"26\" "
      << "text-anchor=\"end\">dashed red: the reference object</text>\n";
  for (size_t v = 0; v < views.size(); ++v) {
    const Bounds& b = bounds[v];
    const double centreU = b.Empty() ? 0 : (b.minU + b.maxU) / 2;
    const double centreV = b.Empty() ? 0 : (b.minV + b.maxV) / 2;
    const double y = kHeader + static_cast<double>(v) * (kPanelHeight + kRowGap);
    for (int column = 0; column < 2; ++column) {
      const PanelPlacement panel{kMargin + column * (kPanelWidth + kColumnGap), y, scale, centreU,
                                 centreV};
      DrawPanel(svg, column == 0 ? before : after, views[v], states[column], panel);
    }
  }
  svg << "</svg>\n";
  return svg.str();
}

}  // namespace kcommand
