// A place run never hands the host a pivot or translation that is not
// finite: such a node is left as it is, with no change opened, and the run
// still counts as a run.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <ostream>

#include "tests/pivot/pinmark_session.h"

namespace orvel::pivot_test {
namespace {

using host::Method;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kHuge = 3.0e38f;

struct NonFiniteCase {
  const char* name;
  Vector3 recorded;  // the pivot memorized through the identity
  NodeTransform placement;
  Vector3 axisScale;
};
void PrintTo(const NonFiniteCase& c, std::ostream* out) { *out << c.name; }

NodeTransform Placement(float m0, Vector3 t, float s) { return host::MakeTransform({m0, 0, 0, 0, 1, 0, 0, 0, 1}, t, s); }

class PivotNonFinitePlace : public PinmarkTest, public ::testing::WithParamInterface<NonFiniteCase> {};

TEST_P(PivotNonFinitePlace, LeavesNodeUnchanged) {
  const NonFiniteCase& c = GetParam();
  Record(c.recorded);
  host::TestNode& node = LoneNode("node");
  node.placement = c.placement;
  node.axisScale = c.axisScale;
  node.pivot = {1, 2, 3};
  const NodeTransform placementBefore = node.placement;

  EXPECT_TRUE(Run(kPlace, &node));

  for (Method method : {Method::kBeginChange, Method::kPrepareChange, Method::kSetPlacement, Method::kSetPivot,
                        Method::kEndChange}) {
    EXPECT_FALSE(Logged(scene_.log(), method)) << scene_.log().DescribeAll();
  }
  EXPECT_EQ(0, std::memcmp(&node.placement, &placementBefore, sizeof placementBefore));
  EXPECT_EQ(node.pivot, (Vector3{1, 2, 3}));
  EXPECT_EQ(session_.Create().option(), kPlace) << "the run did not set DefaultOptionCode";
}

INSTANTIATE_TEST_SUITE_P(
    Nodes, PivotNonFinitePlace,
    ::testing::Values(
        NonFiniteCase{"UniformScaleZero", {1, 2, 3}, Placement(1, {0, 0, 0}, 0), {1, 1, 1}},
        NonFiniteCase{"AxisScaleXZero", {1, 2, 3}, Placement(1, {0, 0, 0}, 1), {0, 1, 1}},
        NonFiniteCase{"AxisScaleZZeroAtRecordedPoint", {0, 0, 0}, Placement(1, {0, 0, 0}, 1), {1, 1, 0}},
        NonFiniteCase{"RecordedPointInfinite", {kInf, 0, 0}, Placement(1, {0, 0, 0}, 1), {1, 1, 1}},
        NonFiniteCase{"RecordedPointNaN", {0, kNaN, 0}, Placement(1, {0, 0, 0}, 1), {1, 1, 1}},
        NonFiniteCase{"TranslationInfinite", {1, 2, 3}, Placement(1, {0, -kInf, 0}, 1), {1, 1, 1}},
        NonFiniteCase{"MatrixNaN", {1, 2, 3}, Placement(kNaN, {0, 0, 0}, 1), {1, 1, 1}},
        NonFiniteCase{"UniformScaleInfinite", {1, 2, 3}, Placement(1, {0, 0, 0}, kInf), {1, 1, 1}},
        // Finite inputs whose difference overflows single precision.
        NonFiniteCase{"Overflow", {kHuge, 0, 0}, Placement(1, {-kHuge, 0, 0}, 1), {1, 1, 1}}),
    [](const ::testing::TestParamInfo<NonFiniteCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvel::pivot_test
