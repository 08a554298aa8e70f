// The box that encloses the mapped boxes of a node list, grown one entry at
// a time.
#pragma once

#include "frame/host_interfaces.h"

namespace orvel::pivot {

struct NodeListBox {
  Vector3 lo;
  Vector3 hi;
  // False until the first entry is enclosed; lo and hi are unset until then.
  bool started;
};

// Maps the eight corners of `box` with TransformPoint(corner, frame,
// axisScale) and widens `into` by them. The first entry enclosed starts lo
// and hi at its first corner. Comparisons are strict, so a NaN on either
// side replaces nothing.
void EncloseEntryBox(NodeListBox& into, const BoundingBox& box, const NodeTransform& frame,
                     const Vector3& axisScale);

// The centre of a started box, each coordinate rounded to single precision.
Vector3 CentreOf(const NodeListBox& box);

}  // namespace orvel::pivot
