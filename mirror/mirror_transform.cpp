#include "mirror/mirror_transform.h"

#include "mirror/option_codes.h"

namespace orvel::mirror {

namespace {

// Row i of s * (m * q), in double.
double ScaledRow(const NodeTransform& transform, int row, const Vector3& q) {
  const float* m = &transform.m[3 * row];
  const double sum = static_cast<double>(m[0]) * q.x + static_cast<double>(m[1]) * q.y +
                     static_cast<double>(m[2]) * q.z;
  return static_cast<double>(transform.s) * sum;
}

}  // namespace

Vector3 MirrorFactors(OptionCode code) {
  Vector3 factors{1.0f, 1.0f, 1.0f};
  if (code == kMirrorX) {
    factors.x = -1.0f;
  } else if (code == kMirrorY) {
    factors.y = -1.0f;
  } else if (code == kMirrorZ) {
    factors.z = -1.0f;
  }
  return factors;
}

void MirrorRows(NodeTransform& transform, const Vector3& factors) {
  const float byRow[3] = {factors.x, factors.y, factors.z};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) transform.m[3 * row + column] *= byRow[row];
  }
}

void CorrectTranslationByPivot(NodeTransform& mirrored, const NodeTransform& source, const Vector3& axisScale,
                               const Vector3& pivot) {
  const Vector3 q{pivot.x * axisScale.x, pivot.y * axisScale.y, pivot.z * axisScale.z};
  float* t[3] = {&mirrored.t.x, &mirrored.t.y, &mirrored.t.z};
  for (int i = 0; i < 3; ++i) {
    // v is rounded exactly as u is, so that rows the mirror left alone give
    // u == v and move nothing, to the last bit.
    const float u = static_cast<float>(ScaledRow(source, i, q));
    const float v = static_cast<float>(ScaledRow(mirrored, i, q));
    const float difference = static_cast<float>(u - v);
    *t[i] = *t[i] - difference;
  }
}

}  // namespace orvel::mirror
