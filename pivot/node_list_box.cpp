#include "pivot/node_list_box.h"

#include "pivot/transform_point.h"

namespace orvel::pivot {

namespace {

// Strict, so that a NaN on either side keeps what is there. Written as
// selections, which the compiler turns into minss/maxss (whose NaN rule is
// exactly this) instead of branches that random boxes would mispredict.
void Widen(float& lo, float& hi, float value) {
  lo = value < lo ? value : lo;
  hi = value > hi ? value : hi;
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
  Vector3 mapped[8];
  for (int k = 0; k < 8; ++k) TransformPoint(mapped[k], corners[k], frame, axisScale);

  // Worked on locals, so that the bounds stay in registers.
  Vector3 lo = into.started ? into.lo : mapped[0];
  Vector3 hi = into.started ? into.hi : mapped[0];
  for (int k = 0; k < 8; ++k) {
    Widen(lo.x, hi.x, mapped[k].x);
    Widen(lo.y, hi.y, mapped[k].y);
    Widen(lo.z, hi.z, mapped[k].z);
  }
  into.lo = lo;
  into.hi = hi;
  into.started = true;
}

Vector3 CentreOf(const NodeListBox& box) {
  return Vector3{(box.lo.x + box.hi.x) / 2.0f, (box.lo.y + box.hi.y) / 2.0f, (box.lo.z + box.hi.z) / 2.0f};
}

}  // namespace orvel::pivot
