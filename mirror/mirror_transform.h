// The arithmetic of the mirror step, on the host's NodeTransform: m stored by
// rows, row i yielding coordinate i of a mapped point p, which lands at
// s * (m * (p.x*a.x, p.y*a.y, p.z*a.z)) + t for axis scale a.
#pragma once

#include "frame/abi.h"
#include "frame/host_interfaces.h"

namespace orvel::mirror {

// (fx, fy, fz): -1 on the axis the code names, 1 elsewhere; all 1 for a code
// that names no axis.
Vector3 MirrorFactors(OptionCode code);

// Multiplies row i of the matrix by factor i. Rows, not columns: the copy is
// reversed along an axis of the space its transform maps into, which is the
// space the source and the copy share. Translation and scale stay.
void MirrorRows(NodeTransform& transform, const Vector3& factors);

// Moves the mirrored copy's translation so that the mirror plane passes
// through the source's pivot rather than its origin:
//   q = pivot scaled per axis by `axisScale`
//   u = source.s * (source.m * q)    where the source puts the pivot
//   v = mirrored.s * (mirrored.m * q)
//   mirrored.t -= (u - v)
// q, u, v, each u - v and each new translation component are rounded to
// float; the sums within one of them are carried in double.
void CorrectTranslationByPivot(NodeTransform& mirrored, const NodeTransform& source, const Vector3& axisScale,
                               const Vector3& pivot);

}  // namespace orvel::mirror
