// What the mirror means geometrically, on random rotations, scales, axis
// scales, pivots and axes: the copy is the reflection of the source across a
// plane perpendicular to the chosen axis, through the source's origin (kept
// translation) or through its pivot's offset (corrected).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "tests/common/random_rotation.h"
#include "tests/mirror/twinflip_fixture.h"

namespace orvel::mirror_test {
namespace {

using host::TestNode;

struct Point {
  double x[3];
};

// Where `transform` with `axisScale` carries local point p.
Point Map(const NodeTransform& transform, const Vector3& axisScale, const Point& p) {
  const double q[3] = {p.x[0] * axisScale.x, p.x[1] * axisScale.y, p.x[2] * axisScale.z};
  const double t[3] = {transform.t.x, transform.t.y, transform.t.z};
  Point out{};
  for (int i = 0; i < 3; ++i) {
    const float* row = &transform.m[3 * i];
    out.x[i] = transform.s * (row[0] * q[0] + row[1] * q[1] + row[2] * q[2]) + t[i];
  }
  return out;
}

float Component(const Vector3& v, int i) { return i == 0 ? v.x : i == 1 ? v.y : v.z; }

double Determinant(const float (&m)[9]) {
  const double a[9] = {m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8]};
  return a[0] * (a[4] * a[8] - a[5] * a[7]) - a[1] * (a[3] * a[8] - a[5] * a[6]) + a[2] * (a[3] * a[7] - a[4] * a[6]);
}

struct Trial {
  NodeTransform transform;
  Vector3 axisScale;
  Vector3 pivot;
  int axis;  // 0, 1, 2 for SXAX, SXAY, SXAZ
  bool keepTranslation;
};

Trial RandomTrial(std::mt19937& random) {
  std::uniform_real_distribution<float> scale(0.25f, 4.0f);
  std::uniform_real_distribution<float> place(-50.0f, 50.0f);
  std::uniform_real_distribution<float> local(-10.0f, 10.0f);
  Trial trial{};
  float m[9];
  test::RandomRotation(random, m);
  trial.transform = host::MakeTransform(m, {place(random), place(random), place(random)}, scale(random));
  trial.axisScale = {scale(random), scale(random), scale(random)};
  trial.pivot = {local(random), local(random), local(random)};
  trial.axis = static_cast<int>(random() % 3);
  trial.keepTranslation = random() % 2 == 0;
  return trial;
}

// u: where the source's matrix and scale put the scaled pivot.
Point PivotOffset(const Trial& trial) {
  NodeTransform untranslated = trial.transform;
  untranslated.t = {0, 0, 0};
  return Map(untranslated, trial.axisScale, Point{{trial.pivot.x, trial.pivot.y, trial.pivot.z}});
}

const OptionCode kAxisCodes[3] = {kMirrorX, kMirrorY, kMirrorZ};

class MirrorGeometryTest : public TwinflipTest {
 protected:
  void SetUp() override {
    TwinflipTest::SetUp();
    scene_.log().enabled = false;
  }

  // Runs the mirror on a new node made for `trial`; the copy, or null.
  const TestNode* MirrorOnce(const Trial& trial, OptionCode code) {
    TestNode& node = scene_.Add("");
    node.transform = trial.transform;
    node.axisScale = trial.axisScale;
    node.pivot = trial.pivot;
    Write(object_, code, trial.keepTranslation ? 1 : 0);
    if (!Run(&node)) return nullptr;
    return CopyBeside(node);
  }
};

TEST_F(MirrorGeometryTest, CopyIsTheReflectionOfTheSource) {
  std::mt19937 random(20240611);
  std::uniform_real_distribution<double> local(-5.0, 5.0);
  for (int n = 0; n < 500; ++n) {
    const Trial trial = RandomTrial(random);
    SCOPED_TRACE("trial " + std::to_string(n) + ", axis " + std::to_string(trial.axis) +
                 (trial.keepTranslation ? ", kept" : ", corrected"));
    const TestNode* copy = MirrorOnce(trial, kAxisCodes[trial.axis]);
    ASSERT_NE(copy, nullptr);

    // The plane passes through t, or through t - u with u the source's
    // offset of its scaled pivot.
    const NodeTransform& source = trial.transform;
    const Point u = PivotOffset(trial);
    const double t[3] = {source.t.x, source.t.y, source.t.z};
    Point plane{};
    for (int i = 0; i < 3; ++i) plane.x[i] = trial.keepTranslation ? t[i] : t[i] - u.x[i];

    for (int k = 0; k < 8; ++k) {
      const Point p{{local(random), local(random), local(random)}};
      Point expected = Map(source, trial.axisScale, p);
      const int e = trial.axis;
      expected.x[e] = 2 * plane.x[e] - expected.x[e];
      const Point actual = Map(copy->transform, trial.axisScale, p);
      for (int i = 0; i < 3; ++i) {
        const double tolerance = 1e-5 * (1 + std::fabs(expected.x[i]) + std::fabs(u.x[i]));
        EXPECT_NEAR(actual.x[i], expected.x[i], tolerance) << "coordinate " << i;
      }
    }

    EXPECT_EQ(Determinant(copy->transform.m), -Determinant(source.m));
    // Only the component along the axis moves, to the last bit elsewhere.
    for (int i = 0; i < 3; ++i) {
      if (i != trial.axis) {
        EXPECT_EQ(Component(copy->transform.t, i), Component(source.t, i)) << "translation " << i;
      }
    }
    if (HasFailure()) break;
  }
}

TEST_F(MirrorGeometryTest, MirroringTheCopyAgainGivesBackTheSource) {
  std::mt19937 random(7);
  for (int n = 0; n < 300; ++n) {
    const Trial trial = RandomTrial(random);
    SCOPED_TRACE("trial " + std::to_string(n));
    const TestNode* copy = MirrorOnce(trial, kAxisCodes[trial.axis]);
    ASSERT_NE(copy, nullptr);
    ASSERT_TRUE(Run(const_cast<TestNode*>(copy)));
    const TestNode* twice = CopyBeside(*copy);
    ASSERT_NE(twice, nullptr);

    const NodeTransform& source = trial.transform;
    for (int i = 0; i < 9; ++i) EXPECT_EQ(twice->transform.m[i], source.m[i]) << "m[" << i << "]";
    EXPECT_EQ(twice->transform.s, source.s);
    const Point u = PivotOffset(trial);
    for (int i = 0; i < 3; ++i) {
      const float back = Component(twice->transform.t, i);
      const float original = Component(source.t, i);
      if (trial.keepTranslation) {
        EXPECT_EQ(back, original);
      } else {
        // Moved by 2u and back, rounded to float each way.
        EXPECT_NEAR(back, original, 1e-6 * (1 + std::fabs(original) + 2 * std::fabs(u.x[i])))
            << "translation " << i;
      }
    }
    if (HasFailure()) break;
  }
}

TEST_F(MirrorGeometryTest, CodesNamingNoAxisCopyTheTransformUnchanged) {
  std::mt19937 random(99);
  const OptionCode others[] = {FourCharCode("SXAW"), FourCharCode("HMEM"), FourCharCode("sxay"), 0u, 0xffffffffu};
  for (int n = 0; n < 100; ++n) {
    const Trial trial = RandomTrial(random);
    const OptionCode code = others[n % 5];
    SCOPED_TRACE("trial " + std::to_string(n));
    const TestNode* copy = MirrorOnce(trial, code);
    ASSERT_NE(copy, nullptr);
    // Corrected or not: u equals v, so the copy's transform is the source's.
    EXPECT_EQ(std::memcmp(&copy->transform, &trial.transform, sizeof(NodeTransform)), 0);
  }
}

}  // namespace
}  // namespace orvel::mirror_test
