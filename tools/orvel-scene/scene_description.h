// A scene as read from its JSON text, checked and complete: every field has
// its value (given or default), every name refers to a node, and the
// children form a forest. Building the host's scene from it cannot fail.
#pragma once

#include <string>
#include <vector>

#include "frame/host_interfaces.h"

namespace orvel::scene_tool {

struct NodeDescription {
  std::string name;
  std::vector<std::string> children;
  NodeTransform transform;  // default: identity
  NodeTransform placement;  // default: the node's transform
  NodeTransform frame;      // what GetFrameTransform reports; default: identity
  Vector3 pivot;            // default: origin
  Vector3 axisScale;        // default: (1, 1, 1)
  BoundingBox box;          // default: the unit cube around the origin
  std::vector<std::string> list;  // the node list GetNodeList reports
};

// A step as written in the scene, with its place for messages.
struct StepText {
  std::string text;
  std::string place;
};

struct SceneDescription {
  // The file name, or the name of the embedded sample; starts every message.
  std::string source;
  std::vector<NodeDescription> nodes;  // in the order of the file
  std::vector<StepText> steps;

  const NodeDescription* Find(const std::string& name) const;
  // Nodes that are nobody's child, in the order of the file.
  std::vector<const NodeDescription*> TopLevel() const;
};

}  // namespace orvel::scene_tool
