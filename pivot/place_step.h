// The place variant: gives a node the recorded point as its new pivot and
// moves its reference point onto it.
#pragma once

#include "frame/host_interfaces.h"

namespace orvel::pivot {

// With the node's placement (m, t, s) and axis scale a as read, the reference
// point c and the recorded point R:
//   pivot'   = (m^T (R - t) / s) / a   per axis: the point the current
//              placement maps onto R (the transpose stands in for the
//              inverse of the rotation);
//   t'       = R - s * a * (m c)       per axis: the axis scale multiplies
//              the turned vector, unlike in TransformPoint, so c lands on R
//              exactly only where a is 1.
// Matrix and uniform scale are written back as read. A node for which either
// result would not be finite (uniform or axis scale 0, a recorded point or
// placement that is not finite) is left as it is, with no change opened.
void PlaceOnRecordedPoint(SceneNode* node, const Vector3& recorded, const NodeTransform& placement,
                          const Vector3& axisScale, const Vector3& reference);

}  // namespace orvel::pivot
