// The tool's own geometry: the host's point mapping in single precision, for
// the point the host sees recorded, and double-precision affine maps for
// drawing. Conventions are the host's: m by rows, row i yields coordinate i;
// a point p of a node maps to s * (m * (p * axisScale)) + t. The axis scale
// belongs to the node's own points; its children are not axis-scaled.
#pragma once

#include <array>
#include <optional>

#include "frame/host_interfaces.h"

namespace orvel::scene_tool {

// The host's mapping of a node's point, each stored value rounded to a float.
Vector3 MapPoint(const Vector3& p, const NodeTransform& transform, const Vector3& axisScale);

// +1, -1 or 0: the sign of the determinant of a matrix stored by rows.
int DeterminantSign(const float (&m)[9]);

struct Point3 {
  double x, y, z;
  double operator[](int axis) const { return axis == 0 ? x : axis == 1 ? y : z; }
};

// x -> a * x + t, with a transform's uniform scale folded into a.
struct Affine {
  double a[9];
  double t[3];
};

Affine IdentityAffine();
Affine ToAffine(const NodeTransform& transform);
// x -> outer(inner(x)).
Affine Compose(const Affine& outer, const Affine& inner);
Point3 Apply(const Affine& map, const Point3& p);
Point3 AxisScaled(const Vector3& p, const Vector3& axisScale);

// The eight corners of a box, axis-scaled, in the node's own coordinates.
std::array<Point3, 8> BoxCorners(const BoundingBox& box, const Vector3& axisScale);

struct Plane {
  Point3 point;
  Point3 normal;  // unit length
};

// The plane that reflects `source` onto `copy`, when one does: tested on the
// node's origin and unit points, within `tolerance`. None when the two maps
// agree (nothing was mirrored) or are not related by a reflection.
std::optional<Plane> MirrorPlane(const Affine& source, const Affine& copy, double tolerance);

}  // namespace orvel::scene_tool
