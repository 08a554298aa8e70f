#include "tools/orvel-scene/svg_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace orvel::scene_tool {

namespace {

constexpr double kView = 230;       // side of one view, in pixels
constexpr double kInset = 10;       // free border inside a view
constexpr double kGap = 10;         // between the views of one state
constexpr double kStateGap = 36;    // between before and after
constexpr double kMargin = 16;
constexpr double kHeader = 76;      // title and legend
constexpr double kRowHeight = kView + 56;

struct View {
  const char* name;
  const char* caption;
  int across;  // scene axis drawn left to right
  int up;      // scene axis drawn bottom to top
  int toward;  // scene axis pointing at the viewer
  double sign; // +1 when the viewer looks down -toward
};

constexpr View kViews[3] = {
    {"top", "top (x, y)", 0, 1, 2, 1},
    {"front", "front (x, z)", 0, 2, 1, -1},
    {"side", "side (y, z)", 1, 2, 0, 1},
};

struct Point2 {
  double x, y;
};

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c; break;
    }
  }
  return out;
}

std::string Num(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

// The outline of a set of points, counter-clockwise (monotone chain).
std::vector<Point2> Outline(std::vector<Point2> points) {
  std::sort(points.begin(), points.end(), [](const Point2& a, const Point2& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  auto cross = [](const Point2& o, const Point2& a, const Point2& b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); };
  std::vector<Point2> hull(2 * points.size());
  std::size_t k = 0;
  for (const Point2& p : points) {
    while (k >= 2 && cross(hull[k - 2], hull[k - 1], p) <= 0) --k;
    hull[k++] = p;
  }
  for (std::size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && cross(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
    hull[k++] = points[i];
  }
  hull.resize(k > 1 ? k - 1 : k);
  return hull;
}

// One scale for every view of the drawing, so that rows compare.
struct Scale {
  double low[3];
  double high[3];
  double pixels;  // per scene unit

  Point2 Map(const View& view, const Point3& p) const {
    const double spanAcross = (high[view.across] - low[view.across]) * pixels;
    const double spanUp = (high[view.up] - low[view.up]) * pixels;
    const double x = (kView - spanAcross) / 2 + (p[view.across] - low[view.across]) * pixels;
    const double y = kView - ((kView - spanUp) / 2 + (p[view.up] - low[view.up]) * pixels);
    return {x, y};
  }
};

Scale ScaleFor(const std::vector<const DrawState*>& states) {
  Scale scale{{1e300, 1e300, 1e300}, {-1e300, -1e300, -1e300}, 1};
  auto include = [&](const Point3& p) {
    for (int axis = 0; axis < 3; ++axis) {
      if (!std::isfinite(p[axis])) continue;
      scale.low[axis] = std::min(scale.low[axis], p[axis]);
      scale.high[axis] = std::max(scale.high[axis], p[axis]);
    }
  };
  for (const DrawState* state : states) {
    for (const DrawnNode& node : state->nodes) {
      for (const Point3& corner : node.corners) include(corner);
      include(node.pivot);
    }
    if (state->recorded) include(*state->recorded);
  }
  double extent = 0;
  for (int axis = 0; axis < 3; ++axis) {
    if (scale.low[axis] > scale.high[axis]) scale.low[axis] = scale.high[axis] = 0;
    extent = std::max(extent, scale.high[axis] - scale.low[axis]);
  }
  scale.pixels = (kView - 2 * kInset) / (extent > 0 ? extent : 1);
  return scale;
}

void WriteView(const DrawState& state, const View& view, const Scale& scale, const std::string& attributes, double left,
               double top, std::ostream& out) {
  out << "  <g class=\"view\" " << attributes << " data-view=\"" << view.name << "\" transform=\"translate(" << Num(left)
      << "," << Num(top) << ")\">\n";
  out << "    <rect class=\"frame\" width=\"" << Num(kView) << "\" height=\"" << Num(kView) << "\"/>\n";
  out << "    <text class=\"caption\" x=\"4\" y=\"12\">" << view.caption << "</text>\n";
  out << "    <g clip-path=\"url(#view-clip)\">\n";
  const Point2 origin = scale.Map(view, {0, 0, 0});
  out << "      <path class=\"axis\" d=\"M0 " << Num(origin.y) << "H" << Num(kView) << "M" << Num(origin.x) << " 0V"
      << Num(kView) << "\"/>\n";

  // Farthest first, so that nearer boxes are painted over them.
  std::vector<const DrawnNode*> order;
  for (const DrawnNode& node : state.nodes) order.push_back(&node);
  auto nearness = [&](const DrawnNode* node) {
    double sum = 0;
    for (const Point3& corner : node->corners) sum += corner[view.toward];
    return view.sign * sum;
  };
  std::stable_sort(order.begin(), order.end(), [&](const DrawnNode* a, const DrawnNode* b) { return nearness(a) < nearness(b); });
  for (const DrawnNode* node : order) {
    std::vector<Point2> corners;
    for (const Point3& corner : node->corners) corners.push_back(scale.Map(view, corner));
    const char* kind = node->copy ? "copy" : node->changed ? "changed" : "original";
    out << "      <polygon class=\"box " << kind << "\" data-id=\"" << node->id << "\" data-node=\"" << Escaped(node->name)
        << "\" points=\"";
    bool first = true;
    for (const Point2& p : Outline(corners)) {
      out << (first ? "" : " ") << Num(p.x) << "," << Num(p.y);
      first = false;
    }
    out << "\"><title>" << Escaped(node->name) << "</title></polygon>\n";
  }
  // Names in the top view only: the others stack too many boxes on one another.
  for (const DrawnNode* node : order) {
    if (view.toward != 2) break;
    double x = 0, y = 0;
    for (const Point3& corner : node->corners) {
      const Point2 p = scale.Map(view, corner);
      x += p.x / 8;
      y += p.y / 8;
    }
    out << "      <text class=\"label\" x=\"" << Num(x) << "\" y=\"" << Num(y + 3) << "\">" << Escaped(node->name) << "</text>\n";
  }
  for (const Plane& plane : state.mirrorPlanes) {
    if (std::fabs(plane.normal[view.toward]) > 1e-6) continue;  // not edge on in this view
    // Along the plane's trace in this view, far past both edges; the clip cuts it.
    const double reach = 4 * kView / scale.pixels;
    auto along = [&](double by) {
      double p[3] = {plane.point.x, plane.point.y, plane.point.z};
      p[view.across] -= by * plane.normal[view.up];
      p[view.up] += by * plane.normal[view.across];
      return scale.Map(view, {p[0], p[1], p[2]});
    };
    const Point2 pa = along(-reach);
    const Point2 pb = along(reach);
    out << "      <line class=\"mirror-plane\" x1=\"" << Num(pa.x) << "\" y1=\"" << Num(pa.y) << "\" x2=\"" << Num(pb.x)
        << "\" y2=\"" << Num(pb.y) << "\"/>\n";
  }
  for (const DrawnNode* node : order) {
    const Point2 p = scale.Map(view, node->pivot);
    out << "      <path class=\"pivot\" data-id=\"" << node->id << "\" d=\"M" << Num(p.x - 4) << " " << Num(p.y) << "h8M"
        << Num(p.x) << " " << Num(p.y - 4) << "v8\"/>\n";
  }
  if (state.recorded) {
    const Point2 p = scale.Map(view, *state.recorded);
    out << "      <circle class=\"recorded\" cx=\"" << Num(p.x) << "\" cy=\"" << Num(p.y) << "\" r=\"5\"/>\n";
  }
  out << "    </g>\n  </g>\n";
}

void WriteState(const DrawState& state, const Scale& scale, const std::string& attributes, double left, double top,
                std::ostream& out) {
  for (int v = 0; v < 3; ++v) WriteView(state, kViews[v], scale, attributes, left + v * (kView + kGap), top, out);
}

void WriteLegend(double top, std::ostream& out) {
  struct Entry {
    const char* shape;
    const char* text;
  };
  const Entry entries[] = {
      {"<rect class=\"box original\" x=\"0\" y=\"-9\" width=\"14\" height=\"10\"/>", "node"},
      {"<rect class=\"box changed\" x=\"0\" y=\"-9\" width=\"14\" height=\"10\"/>", "changed by the step"},
      {"<rect class=\"box copy\" x=\"0\" y=\"-9\" width=\"14\" height=\"10\"/>", "copy"},
      {"<path class=\"pivot\" d=\"M3 -4h8M7 -8v8\"/>", "pivot"},
      {"<circle class=\"recorded\" cx=\"7\" cy=\"-4\" r=\"5\"/>", "recorded point"},
      {"<line class=\"mirror-plane\" x1=\"0\" y1=\"-4\" x2=\"14\" y2=\"-4\"/>", "mirror plane"},
  };
  double left = kMargin;
  out << "  <g class=\"legend\">\n";
  for (const Entry& entry : entries) {
    out << "    <g transform=\"translate(" << Num(left) << "," << Num(top) << ")\">" << entry.shape << "<text x=\"20\" y=\"0\">"
        << entry.text << "</text></g>\n";
    left += 40 + 7.0 * std::string(entry.text).size();
  }
  out << "  </g>\n";
}

}  // namespace

void WriteSvg(const RunSummary& run, std::ostream& out) {
  std::vector<const DrawState*> states{&run.initial};
  for (const StepReport& step : run.steps) {
    states.push_back(&step.before);
    states.push_back(&step.after);
  }
  const Scale scale = ScaleFor(states);
  const double stateWidth = 3 * kView + 2 * kGap;
  const double width = 2 * kMargin + 2 * stateWidth + kStateGap;
  const std::size_t rows = run.steps.empty() ? 1 : run.steps.size();
  const double height = kHeader + rows * kRowHeight + kMargin;

  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Num(width) << "\" height=\"" << Num(height)
      << "\" viewBox=\"0 0 " << Num(width) << " " << Num(height) << "\">\n";
  out << "  <style>\n"
         "    text { font-family: sans-serif; font-size: 12px; fill: #333; }\n"
         "    .title { font-size: 15px; font-weight: bold; }\n"
         "    .caption { font-size: 10px; fill: #666; }\n"
         "    .label { font-size: 8px; fill: #444; }\n"
         "    .frame { fill: #fcfcfc; stroke: #aaa; }\n"
         "    .axis { stroke: #ddd; fill: none; }\n"
         "    .box { stroke-width: 1; fill-opacity: 0.4; }\n"
         "    .original { fill: #6c9bd2; stroke: #2b5d97; }\n"
         "    .changed { fill: #f0b73e; stroke: #a8720a; }\n"
         "    .copy { fill: #e2725b; stroke: #a23b25; }\n"
         "    .pivot { stroke: #111; stroke-width: 1.3; fill: none; }\n"
         "    .recorded { fill: none; stroke: #c0186b; stroke-width: 2; }\n"
         "    .mirror-plane { stroke: #7a3db8; stroke-width: 1.3; stroke-dasharray: 5 3; }\n"
         "  </style>\n";
  out << "  <defs><clipPath id=\"view-clip\"><rect width=\"" << Num(kView) << "\" height=\"" << Num(kView)
      << "\"/></clipPath></defs>\n";
  out << "  <rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
  out << "  <text class=\"title\" x=\"" << Num(kMargin) << "\" y=\"26\">orvel-scene: " << Escaped(run.source) << "</text>\n";
  WriteLegend(54, out);

  if (run.steps.empty()) {
    const double top = kHeader;
    out << "  <text x=\"" << Num(kMargin) << "\" y=\"" << Num(top + 14) << "\">the scene, no steps run</text>\n";
    WriteState(run.initial, scale, "data-step=\"0\" data-state=\"scene\"", kMargin, top + 24, out);
  }
  for (std::size_t r = 0; r < run.steps.size(); ++r) {
    const StepReport& step = run.steps[r];
    const double top = kHeader + r * kRowHeight;
    const char* frame = step.frame == DrawFrame::kPlacement ? "placements" : "transforms";
    out << "  <text x=\"" << Num(kMargin) << "\" y=\"" << Num(top + 14) << "\">step " << step.index << ": "
        << Escaped(step.step.text) << ", result " << (step.result ? 1 : 0) << " (drawn through " << frame << ")</text>\n";
    const double statesTop = top + 36;
    out << "  <text class=\"caption\" x=\"" << Num(kMargin) << "\" y=\"" << Num(statesTop - 6) << "\">before</text>\n";
    out << "  <text class=\"caption\" x=\"" << Num(kMargin + stateWidth + kStateGap) << "\" y=\"" << Num(statesTop - 6)
        << "\">after</text>\n";
    const std::string index = "data-step=\"" + std::to_string(step.index) + "\"";
    WriteState(step.before, scale, index + " data-state=\"before\"", kMargin, statesTop, out);
    WriteState(step.after, scale, index + " data-state=\"after\"", kMargin + stateWidth + kStateGap, statesTop, out);
  }
  out << "</svg>\n";
}

}  // namespace orvel::scene_tool
