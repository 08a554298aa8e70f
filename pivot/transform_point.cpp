#include "pivot/transform_point.h"

namespace orvel::pivot {

// All arithmetic is single precision: the modules are built without fused
// multiply-add and, on 32-bit x86, with SSE, so every operation rounds to
// float and the result is the same on every target.
Vector3& TransformPoint(Vector3& out, const Vector3& point, const NodeTransform& transform,
                        const Vector3& axisScale) {
  const float qx = point.x * axisScale.x;
  const float qy = point.y * axisScale.y;
  const float qz = point.z * axisScale.z;
  const float* m = transform.m;
  const float s = transform.s;
  const float x = (m[0] * qx + m[1] * qy + m[2] * qz) * s + transform.t.x;
  const float y = (m[3] * qx + m[4] * qy + m[5] * qz) * s + transform.t.y;
  const float z = (m[6] * qx + m[7] * qy + m[8] * qz) * s + transform.t.z;
  out.x = x;
  out.y = y;
  out.z = z;
  return out;
}

}  // namespace orvel::pivot
