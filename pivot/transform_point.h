// The module's mapping of a node's point through a transform.
//
// With the transform (m, t, s) and the axis scale a, the point p maps to
// s * (m * q) + t with q = (p.x*a.x, p.y*a.y, p.z*a.z): the axis scale works
// on the point before the matrix, the uniform scale after it, the
// translation last. m is stored by rows; row i yields coordinate i.
#pragma once

#include "frame/host_interfaces.h"

namespace orvel::pivot {

// Writes the mapped point to `out` and returns it; `out` may be `point`.
// Each product of q and each output coordinate is rounded to single
// precision.
Vector3& TransformPoint(Vector3& out, const Vector3& point, const NodeTransform& transform,
                        const Vector3& axisScale);

}  // namespace orvel::pivot
