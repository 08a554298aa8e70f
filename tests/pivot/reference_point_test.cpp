// The ReferencePoint of a place run: the node list read, combined and
// released, seen through the translation the run writes.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <ostream>
#include <vector>

#include "tests/pivot/pinmark_session.h"

namespace orvel::pivot_test {
namespace {

using host::Method;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

using PivotReferencePoint = PinmarkTest;

struct ListCase {
  const char* name;
  host::ListReport report;
  int32_t reportedCount;
};
void PrintTo(const ListCase& c, std::ostream* out) { *out << c.name; }

class PivotListWithoutEntries : public PinmarkTest, public ::testing::WithParamInterface<ListCase> {};

TEST_P(PivotListWithoutEntries, QueriesNoEntryReleasesListOnceAndUsesOrigin) {
  const ListCase& c = GetParam();
  host::TestNode& node = scene_.Add("node");
  host::TestNode& other = scene_.Add("other");
  other.box = {4, 4, 4, 6, 6, 6};
  node.listReport = c.report;
  if (c.report != host::ListReport::kEntries) {
    // Entries the count does not cover: none of them may be touched.
    scene_.ListNode(node, node);
    scene_.ListNode(node, other);
  }

  const std::optional<Vector3> reference = ReferencePointSeenBy(node);
  ASSERT_TRUE(reference) << scene_.log().DescribeAll();
  EXPECT_EQ(*reference, (Vector3{0, 0, 0}));
  const std::vector<host::Call> expected = {
      Expect(Method::kGetNodeList, node, c.reportedCount), Expect(Method::kReleaseNodeList, node),
      Expect(Method::kGetPlacement, node),                 Expect(Method::kGetAxisScale, node),
      Expect(Method::kBeginChange, node),                  Expect(Method::kPrepareChange, node),
      Expect(Method::kSetPlacement, node, 0),              Expect(Method::kSetPivot, node),
      Expect(Method::kEndChange, node)};
  EXPECT_EQ(scene_.log().calls(), expected) << "calls:\n"
                                            << scene_.log().DescribeAll() << "expected:\n"
                                            << DescribeExpected(expected);
}

INSTANTIATE_TEST_SUITE_P(Lists, PivotListWithoutEntries,
                         ::testing::Values(ListCase{"Empty", host::ListReport::kEntries, 0},
                                           ListCase{"NegativeCount", host::ListReport::kNegativeCount, -1},
                                           ListCase{"CountLeftUnwritten", host::ListReport::kLeaveUnwritten, 0}),
                         [](const ::testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

TEST_F(PivotReferencePoint, NodeAloneIsMeasuredButLeavesOrigin) {
  host::TestNode& node = LoneNode("node");
  node.box = {4, 4, 4, 6, 6, 6};
  node.frameTransform = host::MakeTransform({1, 0, 0, 0, 1, 0, 0, 0, 1}, {100, 0, 0}, 1);

  const std::optional<Vector3> reference = ReferencePointSeenBy(node);
  ASSERT_TRUE(reference) << scene_.log().DescribeAll();
  EXPECT_EQ(*reference, (Vector3{0, 0, 0}));
  EXPECT_TRUE(Logged(scene_.log(), Method::kGetBoundingBox)) << scene_.log().DescribeAll();
}

TEST_F(PivotReferencePoint, NodeListedTwiceIsStillNoOtherNode) {
  host::TestNode& node = LoneNode("node");
  scene_.ListNode(node, node);
  node.box = {4, 4, 4, 6, 6, 6};

  const std::optional<Vector3> reference = ReferencePointSeenBy(node);
  ASSERT_TRUE(reference) << scene_.log().DescribeAll();
  EXPECT_EQ(*reference, (Vector3{0, 0, 0}));
}

TEST_F(PivotReferencePoint, CentreEnclosesEveryEntryMappedByItsFrameAndAxisScale) {
  host::TestNode& node = scene_.Add("node");
  node.box = {-1, -1, -1, 1, 1, 1};
  // Turned a quarter about z, doubled, moved: x in 20..22, y and z in 0..2.
  host::TestNode& turned = scene_.Add("turned");
  turned.frameTransform = host::MakeTransform({0, -1, 0, 1, 0, 0, 0, 0, 1}, {20, 0, 0}, 2);
  turned.box = {0, -1, 0, 1, 0, 1};
  // Axis scale before the frame: z in -8..0 once scaled by 4 and moved by -4.
  host::TestNode& stretched = scene_.Add("stretched");
  stretched.frameTransform = host::MakeTransform({1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, -4}, 1);
  stretched.axisScale = {1, 1, 4};
  stretched.box = {0, 0, -1, 0, 0, 1};
  scene_.ListNode(node, turned);
  scene_.ListNode(node, node);
  scene_.ListNode(node, stretched);

  const std::optional<Vector3> reference = ReferencePointSeenBy(node);
  ASSERT_TRUE(reference) << scene_.log().DescribeAll();
  // x: -1..22, y: -1..2, z: -8..2.
  EXPECT_EQ(*reference, (Vector3{10.5f, 0.5f, -3}));
}

// A NaN in a box makes every coordinate of the corners that carry it NaN.
// Comparisons are strict, so those corners replace nothing; the first corner
// of the first entry, (x0, y0, z0), starts lo and hi, so a NaN there stays.
struct NaNCase {
  const char* name;
  BoundingBox nodeBox;
  BoundingBox otherBox;
  std::optional<Vector3> reference;
};
void PrintTo(const NaNCase& c, std::ostream* out) { *out << c.name; }

class PivotNaNCorners : public PinmarkTest, public ::testing::WithParamInterface<NaNCase> {};

TEST_P(PivotNaNCorners, ReplaceNothing) {
  const NaNCase& c = GetParam();
  host::TestNode& node = scene_.Add("node");
  node.box = c.nodeBox;
  host::TestNode& other = scene_.Add("other");
  other.box = c.otherBox;
  scene_.ListNode(node, node);
  scene_.ListNode(node, other);

  const std::optional<Vector3> reference = ReferencePointSeenBy(node);
  ASSERT_EQ(reference.has_value(), c.reference.has_value()) << scene_.log().DescribeAll();
  if (c.reference) {
    EXPECT_EQ(*reference, *c.reference);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, PivotNaNCorners,
    ::testing::Values(
        // Every corner but b0 carries x1, y1 or z1, so these three show that
        // b0, and no other corner, starts the box.
        NaNCase{"InX1OfFirstEntry", {0, 0, 0, kNaN, 4, 4}, {2, 2, 2, 6, 6, 6}, Vector3{3, 3, 3}},
        NaNCase{"InY1OfFirstEntry", {0, 0, 0, 4, kNaN, 4}, {2, 2, 2, 6, 6, 6}, Vector3{3, 3, 3}},
        NaNCase{"InZ1OfFirstEntry", {0, 0, 0, 4, 4, kNaN}, {2, 2, 2, 6, 6, 6}, Vector3{3, 3, 3}},
        NaNCase{"InNearCornersOfLaterEntry", {0, 0, 0, 1, 1, 1}, {kNaN, 0, 0, 8, 2, 2}, Vector3{4, 1, 1}},
        // b0 itself is NaN: lo and hi stay NaN, and so would the translation.
        NaNCase{"InFirstCorner", {kNaN, 0, 0, 1, 1, 1}, {2, 2, 2, 6, 6, 6}, std::nullopt}),
    [](const ::testing::TestParamInfo<NaNCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvel::pivot_test
