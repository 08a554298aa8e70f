#include "pivot/reference_point.h"

#include <cstdint>

#include "pivot/node_list_box.h"

namespace orvel::pivot {

namespace {

// The entry's own node with one reference for us, or null when it gives none.
SceneNode* QueryEntryNode(const NodeListEntry& entry) {
  if (entry.node == nullptr) return nullptr;
  // Preset, so that a host which fails without writing leaves null here.
  SceneNode* listed = nullptr;
  entry.node->QueryInterface(&kIidSceneNode, reinterpret_cast<void**>(&listed));
  return listed;
}

}  // namespace

Vector3 ReadReferencePoint(SceneNode* node) {
  // A host that leaves the count unwritten thus hands over an empty list.
  int32_t count = 0;
  NodeListEntry* list = nullptr;
  node->GetNodeList(&count, &list);

  NodeListBox combined = {};
  bool otherSeen = false;
  for (int32_t i = 0; i < count; ++i) {
    SceneNode* listed = QueryEntryNode(list[i]);
    if (listed == nullptr) continue;
    NodeTransform frame = {};
    BoundingBox box = {};
    Vector3 axisScale = {};
    listed->GetFrameTransform(&frame);
    listed->GetBoundingBox(&box, 0);
    listed->GetAxisScale(&axisScale);
    EncloseEntryBox(combined, box, frame, axisScale);
    if (listed != node) otherSeen = true;
    listed->Release();
  }
  node->ReleaseNodeList();

  // The node's own box alone does not move its reference point off the origin.
  if (!otherSeen) return Vector3{0.0f, 0.0f, 0.0f};
  return CentreOf(combined);
}

}  // namespace orvel::pivot
