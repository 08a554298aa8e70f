// A random rotation for property tests, from a random unit quaternion; its
// float entries are orthonormal to within rounding.
#pragma once

#include <cmath>
#include <random>

namespace orvel::test {

template <typename Engine>
void RandomRotation(Engine& random, float (&m)[9]) {
  std::normal_distribution<double> normal(0.0, 1.0);
  double w = normal(random), x = normal(random), y = normal(random), z = normal(random);
  const double length = std::sqrt(w * w + x * x + y * y + z * z);
  w /= length, x /= length, y /= length, z /= length;
  const double r[9] = {1 - 2 * (y * y + z * z), 2 * (x * y - w * z),     2 * (x * z + w * y),
                       2 * (x * y + w * z),     1 - 2 * (x * x + z * z), 2 * (y * z - w * x),
                       2 * (x * z - w * y),     2 * (y * z + w * x),     1 - 2 * (x * x + y * y)};
  for (int i = 0; i < 9; ++i) m[i] = static_cast<float>(r[i]);
}

}  // namespace orvel::test
