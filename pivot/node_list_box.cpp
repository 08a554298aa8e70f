#include "pivot/node_list_box.h"

#include "pivot/transform_point.h"

namespace orvel::pivot {

namespace {

void Widen(float& lo, float& hi, float value) {
  if (value < lo) lo = value;
  if (value > hi) hi = value;
}

}  // namespace

void EncloseEntryBox(NodeListBox& into, const BoundingBox& box, const NodeTransform& frame,
                     const Vector3& axisScale) {
  // The host's corner order; it decides which corner starts lo and hi.
  const Vector3 corners[8] = {
      {box.x0, box.y0, box.z0}, {box.x0, box.y1, box.z0}, {box.x0, box.y0, box.z1},
      {box.x1, box.y0, box.z0}, {box.x1, box.y1, box.z0}, {box.x1, box.y0, box.z1},
      {box.x0, box.y1, box.z1}, {box.x1, box.y1, box.z1},
  };
  for (int k = 0; k < 8; ++k) {
    Vector3 mapped;
    TransformPoint(mapped, corners[k], frame, axisScale);
    if (!into.started) {
      into.lo = mapped;
      into.hi = mapped;
      into.started = true;
    }
    Widen(into.lo.x, into.hi.x, mapped.x);
    Widen(into.lo.y, into.hi.y, mapped.y);
    Widen(into.lo.z, into.hi.z, mapped.z);
  }
}

Vector3 CentreOf(const NodeListBox& box) {
  return Vector3{(box.lo.x + box.hi.x) / 2.0f, (box.lo.y + box.hi.y) / 2.0f, (box.lo.z + box.hi.z) / 2.0f};
}

}  // namespace orvel::pivot
