#include "tools/orvel-scene/geometry.h"

#include <cmath>

namespace orvel::scene_tool {

Vector3 MapPoint(const Vector3& p, const NodeTransform& transform, const Vector3& axisScale) {
  const float q[3] = {p.x * axisScale.x, p.y * axisScale.y, p.z * axisScale.z};
  const float t[3] = {transform.t.x, transform.t.y, transform.t.z};
  float out[3];
  for (int i = 0; i < 3; ++i) {
    const double turned = static_cast<double>(transform.m[3 * i]) * q[0] +
                          static_cast<double>(transform.m[3 * i + 1]) * q[1] +
                          static_cast<double>(transform.m[3 * i + 2]) * q[2];
    out[i] = static_cast<float>(turned * transform.s + t[i]);
  }
  return {out[0], out[1], out[2]};
}

int DeterminantSign(const float (&m)[9]) {
  const double d = static_cast<double>(m[0]) * (static_cast<double>(m[4]) * m[8] - static_cast<double>(m[5]) * m[7]) -
                   static_cast<double>(m[1]) * (static_cast<double>(m[3]) * m[8] - static_cast<double>(m[5]) * m[6]) +
                   static_cast<double>(m[2]) * (static_cast<double>(m[3]) * m[7] - static_cast<double>(m[4]) * m[6]);
  return d > 0 ? 1 : d < 0 ? -1 : 0;
}

Affine IdentityAffine() { return {{1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}}; }

Affine ToAffine(const NodeTransform& transform) {
  Affine map{};
  for (int i = 0; i < 9; ++i) map.a[i] = static_cast<double>(transform.m[i]) * transform.s;
  map.t[0] = transform.t.x;
  map.t[1] = transform.t.y;
  map.t[2] = transform.t.z;
  return map;
}

Affine Compose(const Affine& outer, const Affine& inner) {
  Affine map{};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      map.a[3 * i + j] = outer.a[3 * i] * inner.a[j] + outer.a[3 * i + 1] * inner.a[3 + j] + outer.a[3 * i + 2] * inner.a[6 + j];
    }
    map.t[i] = outer.a[3 * i] * inner.t[0] + outer.a[3 * i + 1] * inner.t[1] + outer.a[3 * i + 2] * inner.t[2] + outer.t[i];
  }
  return map;
}

Point3 Apply(const Affine& map, const Point3& p) {
  double out[3];
  for (int i = 0; i < 3; ++i) out[i] = map.a[3 * i] * p.x + map.a[3 * i + 1] * p.y + map.a[3 * i + 2] * p.z + map.t[i];
  return {out[0], out[1], out[2]};
}

Point3 AxisScaled(const Vector3& p, const Vector3& axisScale) {
  return {static_cast<double>(p.x) * axisScale.x, static_cast<double>(p.y) * axisScale.y,
          static_cast<double>(p.z) * axisScale.z};
}

std::array<Point3, 8> BoxCorners(const BoundingBox& box, const Vector3& axisScale) {
  std::array<Point3, 8> corners;
  for (int k = 0; k < 8; ++k) {
    const Vector3 corner = {k & 1 ? box.x1 : box.x0, k & 2 ? box.y1 : box.y0, k & 4 ? box.z1 : box.z0};
    corners[static_cast<std::size_t>(k)] = AxisScaled(corner, axisScale);
  }
  return corners;
}

std::optional<Plane> MirrorPlane(const Affine& source, const Affine& copy, double tolerance) {
  const Point3 probes[4] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  Point3 from[4];
  Point3 to[4];
  int widest = 0;
  double widestDistance = 0;
  for (int k = 0; k < 4; ++k) {
    from[k] = Apply(source, probes[k]);
    to[k] = Apply(copy, probes[k]);
    const double distance = std::hypot(to[k].x - from[k].x, to[k].y - from[k].y, to[k].z - from[k].z);
    if (distance > widestDistance) {
      widestDistance = distance;
      widest = k;
    }
  }
  if (widestDistance <= tolerance) return std::nullopt;
  const Point3 normal = {(to[widest].x - from[widest].x) / widestDistance, (to[widest].y - from[widest].y) / widestDistance,
                         (to[widest].z - from[widest].z) / widestDistance};
  const Point3 point = {(to[widest].x + from[widest].x) / 2, (to[widest].y + from[widest].y) / 2,
                        (to[widest].z + from[widest].z) / 2};
  for (int k = 0; k < 4; ++k) {
    const double side = (from[k].x - point.x) * normal.x + (from[k].y - point.y) * normal.y + (from[k].z - point.z) * normal.z;
    const Point3 reflected = {from[k].x - 2 * side * normal.x, from[k].y - 2 * side * normal.y, from[k].z - 2 * side * normal.z};
    if (std::hypot(reflected.x - to[k].x, reflected.y - to[k].y, reflected.z - to[k].z) > tolerance) return std::nullopt;
  }
  return Plane{point, normal};
}

}  // namespace orvel::scene_tool
