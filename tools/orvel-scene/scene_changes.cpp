#include "tools/orvel-scene/scene_changes.h"

#include <cstring>

namespace orvel::scene_tool {

namespace {

NodeValues ValuesOf(const host::Scene& scene, const host::TestNode& node) {
  NodeValues values{node.transform, node.placement, node.frameTransform, node.pivot, node.axisScale, node.box, {}};
  for (const host::TestNode* child : node.children()) values.children.push_back(NodeName(scene, *child));
  return values;
}

template <typename T>
bool SameBits(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

FieldValue Numbers(FieldValue::Kind kind, const float* values, std::size_t count) {
  return {kind, std::vector<float>(values, values + count), {}};
}

FieldValue VectorValue(const Vector3& v) {
  const float xyz[3] = {v.x, v.y, v.z};
  return Numbers(FieldValue::Kind::kVector, xyz, 3);
}

FieldValue BoxValue(const BoundingBox& box) {
  const float corners[6] = {box.x0, box.y0, box.z0, box.x1, box.y1, box.z1};
  return Numbers(FieldValue::Kind::kBox, corners, 6);
}

void CompareTransform(const std::string& name, const NodeTransform& before, const NodeTransform& after,
                      std::vector<FieldChange>& fields) {
  if (!SameBits(before.m, after.m)) {
    FieldChange change{name + ".m", Numbers(FieldValue::Kind::kMatrix, before.m, 9),
                       Numbers(FieldValue::Kind::kMatrix, after.m, 9), DeterminantSign(before.m),
                       DeterminantSign(after.m)};
    fields.push_back(change);
  }
  if (!SameBits(before.t, after.t)) fields.push_back({name + ".t", VectorValue(before.t), VectorValue(after.t), {}, {}});
  if (!SameBits(before.s, after.s)) {
    fields.push_back({name + ".s", Numbers(FieldValue::Kind::kScalar, &before.s, 1),
                      Numbers(FieldValue::Kind::kScalar, &after.s, 1), {}, {}});
  }
}

std::vector<FieldChange> CompareNode(const NodeValues& before, const NodeValues& after, bool children) {
  std::vector<FieldChange> fields;
  CompareTransform("transform", before.transform, after.transform, fields);
  CompareTransform("placement", before.placement, after.placement, fields);
  CompareTransform("frame", before.frame, after.frame, fields);
  if (!SameBits(before.pivot, after.pivot)) fields.push_back({"pivot", VectorValue(before.pivot), VectorValue(after.pivot), {}, {}});
  if (!SameBits(before.axisScale, after.axisScale)) {
    fields.push_back({"axisScale", VectorValue(before.axisScale), VectorValue(after.axisScale), {}, {}});
  }
  if (!SameBits(before.box, after.box)) fields.push_back({"box", BoxValue(before.box), BoxValue(after.box), {}, {}});
  if (children && before.children != after.children) {
    fields.push_back({"children", {FieldValue::Kind::kNames, {}, before.children}, {FieldValue::Kind::kNames, {}, after.children}, {}, {}});
  }
  return fields;
}

CopyTree TreeOf(const host::Scene& scene, const host::TestNode& node) {
  CopyTree tree{NodeName(scene, node), {}};
  for (const host::TestNode* child : node.children()) tree.children.push_back(TreeOf(scene, *child));
  return tree;
}

}  // namespace

std::string NodeName(const host::Scene& scene, const host::TestNode& node) {
  if (node.id() == scene.nodes().front()->id()) return "(top level)";
  if (node.name().empty()) return "#" + std::to_string(node.id());
  return node.name();
}

SceneValues TakeValues(const host::Scene& scene) {
  SceneValues values;
  for (const auto& node : scene.nodes()) values.emplace(node.get(), ValuesOf(scene, *node));
  return values;
}

std::vector<NodeChange> CompareValues(const SceneValues& before, const host::Scene& scene) {
  std::vector<NodeChange> changes;
  for (const auto& node : scene.nodes()) {
    const NodeValues after = ValuesOf(scene, *node);
    NodeChange change{node->id(), NodeName(scene, *node), {}, {}};
    if (const auto was = before.find(node.get()); was != before.end()) {
      change.fields = CompareNode(was->second, after, true);
    } else if (node->copyOf() != nullptr && before.count(node->copyOf()) != 0) {
      // The copy's children are copies of its source's; the sub-tree shows them.
      change.copyOf = NodeName(scene, *node->copyOf());
      change.fields = CompareNode(before.at(node->copyOf()), after, false);
    }
    if (!change.fields.empty()) changes.push_back(std::move(change));
  }
  return changes;
}

std::vector<CopyReport> FindCopies(const SceneValues& before, const host::Scene& scene) {
  std::vector<CopyReport> copies;
  for (const auto& node : scene.nodes()) {
    const host::TestNode* parent = node->parent();
    const bool fresh = before.count(node.get()) == 0;
    if (!fresh || parent == nullptr || before.count(parent) == 0) continue;
    const std::string source = node->copyOf() != nullptr ? NodeName(scene, *node->copyOf()) : std::string();
    copies.push_back({source, NodeName(scene, *parent), TreeOf(scene, *node)});
  }
  return copies;
}

}  // namespace orvel::scene_tool
