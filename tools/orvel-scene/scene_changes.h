// What a step changed in the host's scene: every node's values are taken
// before the step and compared bit for bit with the values after it.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "host/scene.h"
#include "tools/orvel-scene/step_report.h"

namespace orvel::scene_tool {

struct NodeValues {
  NodeTransform transform;
  NodeTransform placement;
  NodeTransform frame;
  Vector3 pivot;
  Vector3 axisScale;
  BoundingBox box;
  std::vector<std::string> children;
};

using SceneValues = std::unordered_map<const host::TestNode*, NodeValues>;

SceneValues TakeValues(const host::Scene& scene);

// Nodes whose values differ from `before`, in the order they were made. The
// hidden root appears as "(top level)" when top-level nodes came or went.
std::vector<NodeChange> CompareValues(const SceneValues& before, const host::Scene& scene);

// Sub-trees that are new since `before`, each at its top copy.
std::vector<CopyReport> FindCopies(const SceneValues& before, const host::Scene& scene);

// "lamp", "(top level)" for the hidden root, "#7" for a node without a name.
std::string NodeName(const host::Scene& scene, const host::TestNode& node);

}  // namespace orvel::scene_tool
