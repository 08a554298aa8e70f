#include "pivot/place_step.h"

#include <cmath>

namespace orvel::pivot {

namespace {

bool IsFinite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace

void PlaceOnRecordedPoint(SceneNode* node, const Vector3& recorded, const NodeTransform& placement,
                          const Vector3& axisScale, const Vector3& reference) {
  const float* m = placement.m;
  const float s = placement.s;
  const Vector3& a = axisScale;
  const Vector3& c = reference;

  // Each named intermediate is a float so that it is rounded where it is
  // named; the modules never fuse a multiply into an add.
  const float dx = (recorded.x - placement.t.x) / s;
  const float dy = (recorded.y - placement.t.y) / s;
  const float dz = (recorded.z - placement.t.z) / s;

  Vector3 pivot;
  pivot.x = (m[0] * dx + m[3] * dy + m[6] * dz) / a.x;
  pivot.y = (m[1] * dx + m[4] * dy + m[7] * dz) / a.y;
  pivot.z = (m[2] * dx + m[5] * dy + m[8] * dz) / a.z;

  const float ux = (m[0] * c.x + m[1] * c.y + m[2] * c.z) * s * a.x;
  const float uy = (m[3] * c.x + m[4] * c.y + m[5] * c.z) * s * a.y;
  const float uz = (m[6] * c.x + m[7] * c.y + m[8] * c.z) * s * a.z;

  NodeTransform moved = placement;
  moved.t.x = recorded.x - ux;
  moved.t.y = recorded.y - uy;
  moved.t.z = recorded.z - uz;

  if (!IsFinite(pivot) || !IsFinite(moved.t)) return;

  node->BeginChange();
  node->PrepareChange();
  node->SetPlacement(&moved, 0);
  node->SetPivot(&pivot);
  node->EndChange();
}

}  // namespace orvel::pivot
