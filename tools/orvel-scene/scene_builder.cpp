#include "tools/orvel-scene/scene_builder.h"

namespace orvel::scene_tool {

namespace {

void AddNode(const SceneDescription& description, const NodeDescription& node, host::TestNode* parent,
             host::Scene& scene) {
  host::TestNode& made = scene.Add(node.name, parent);
  made.transform = node.transform;
  made.placement = node.placement;
  made.frameTransform = node.frame;
  made.pivot = node.pivot;
  made.axisScale = node.axisScale;
  made.box = node.box;
  for (const std::string& child : node.children) AddNode(description, *description.Find(child), &made, scene);
}

}  // namespace

void BuildScene(const SceneDescription& description, host::Scene& scene) {
  for (const NodeDescription* top : description.TopLevel()) AddNode(description, *top, nullptr, scene);
  // Lists may name nodes made later than their owner, so they come last.
  for (const NodeDescription& node : description.nodes) {
    host::TestNode& owner = *scene.Find(node.name);
    for (const std::string& listed : node.list) scene.ListNode(owner, *scene.Find(listed));
  }
  scene.log().Clear();
}

}  // namespace orvel::scene_tool
