#include "tools/orvel-scene/scene_drawing.h"

#include <cmath>
#include <unordered_map>

namespace orvel::scene_tool {

namespace {

struct Walk {
  const host::Scene& scene;
  DrawFrame frame;
  const std::set<uint32_t>& changed;
  DrawState& state;
  std::unordered_map<const host::TestNode*, Affine> world;

  void Visit(const host::TestNode& node, const Affine& parent) {
    const Affine own = Compose(parent, ToAffine(frame == DrawFrame::kPlacement ? node.placement : node.transform));
    world[&node] = own;
    DrawnNode drawn{node.id(), NodeName(scene, node), node.copyOf() != nullptr, changed.count(node.id()) != 0, own, {}, {}};
    const std::array<Point3, 8> corners = BoxCorners(node.box, node.axisScale);
    for (std::size_t k = 0; k < corners.size(); ++k) drawn.corners[k] = Apply(own, corners[k]);
    drawn.pivot = Apply(own, AxisScaled(node.pivot, node.axisScale));
    state.nodes.push_back(drawn);
    // Children are not axis-scaled: the axis scale is the node's own.
    for (const host::TestNode* child : node.children()) Visit(*child, own);
  }
};

// A tolerance that follows the size of the scene, for planes found by
// comparing mapped points.
double SceneSize(const DrawState& state) {
  double size = 1;
  for (const DrawnNode& node : state.nodes) {
    for (const Point3& corner : node.corners) size = std::fmax(size, std::fmax(std::fabs(corner.x), std::fmax(std::fabs(corner.y), std::fabs(corner.z))));
  }
  return size;
}

}  // namespace

DrawState CaptureDrawing(const host::Scene& scene, DrawFrame frame, const std::optional<RecordedPoint>& recorded,
                         const std::set<uint32_t>& changed, const SceneValues* before) {
  DrawState state;
  Walk walk{scene, frame, changed, state, {}};
  const host::TestNode& root = *scene.nodes().front();
  for (const host::TestNode* top : root.children()) walk.Visit(*top, IdentityAffine());
  if (recorded) state.recorded = Point3{recorded->point.x, recorded->point.y, recorded->point.z};

  if (before != nullptr) {
    const double tolerance = 1e-5 * SceneSize(state);
    for (const auto& node : scene.nodes()) {
      const host::TestNode* source = node->copyOf();
      const host::TestNode* parent = node->parent();
      if (before->count(node.get()) != 0 || source == nullptr || parent == nullptr || before->count(parent) == 0) continue;
      const auto from = walk.world.find(source);
      const auto to = walk.world.find(node.get());
      if (from == walk.world.end() || to == walk.world.end()) continue;
      if (auto plane = MirrorPlane(from->second, to->second, tolerance)) state.mirrorPlanes.push_back(*plane);
    }
  }
  return state;
}

}  // namespace orvel::scene_tool
