// Memorize and place on nodes whose results are known exactly.
#include <gtest/gtest.h>

#include "tests/pivot/pinmark_session.h"

namespace orvel::pivot_test {
namespace {

using host::Method;

class PivotWorkedExample : public PinmarkTest {
 protected:
  // Memorize on a node moved by (10, 0, 0) with pivot (1, 2, 3): (11, 2, 3).
  void RecordElevenTwoThree() {
    host::TestNode& source = LoneNode("source");
    source.placement = host::MakeTransform({1, 0, 0, 0, 1, 0, 0, 0, 1}, {10, 0, 0}, 1);
    source.pivot = {1, 2, 3};
    ASSERT_TRUE(Run(kMemorize, &source));
    scene_.log().Clear();
  }

  // What the place run handed to SetPlacement and SetPivot.
  void ExpectPlaced(const NodeTransform& read, const Vector3& translation, const Vector3& pivot) {
    const host::SetValue* placed = LastSetValue(scene_.log(), Method::kSetPlacement);
    const host::SetValue* pivoted = LastSetValue(scene_.log(), Method::kSetPivot);
    ASSERT_NE(placed, nullptr) << scene_.log().DescribeAll();
    ASSERT_NE(pivoted, nullptr) << scene_.log().DescribeAll();
    EXPECT_EQ(placed->transform.t, translation);
    EXPECT_EQ(pivoted->vector, pivot);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(placed->transform.m[i], read.m[i]) << "matrix element " << i;
    EXPECT_EQ(placed->transform.s, read.s);
  }
};

TEST_F(PivotWorkedExample, PlaceOnScaledNodeTakesRecordedPointAsPivotAndTranslation) {
  RecordElevenTwoThree();
  host::TestNode& target = LoneNode("target");
  target.placement = host::MakeTransform({1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}, 2);

  ASSERT_TRUE(Run(kPlace, &target));
  // d = (5.5, 1, 1.5) is the new pivot; the node's own box leaves c at the
  // origin, so the translation is the recorded point itself.
  ExpectPlaced(target.placement, {11, 2, 3}, {5.5f, 1, 1.5f});
}

TEST_F(PivotWorkedExample, AxisScaleMultipliesTurnedReferencePoint) {
  RecordElevenTwoThree();
  host::TestNode& target = scene_.Add("target");
  target.placement = host::MakeTransform({0, -1, 0, 1, 0, 0, 0, 0, 1}, {1, 1, 1}, 1);
  target.axisScale = {2, 1, 1};
  // A point box at the origin for the target, and a neighbour whose box
  // puts the centre of both at c = (1, 0, 0).
  host::TestNode& neighbour = scene_.Add("neighbour");
  neighbour.box = {0, -1, -1, 2, 1, 1};
  scene_.ListNode(target, target);
  scene_.ListNode(target, neighbour);

  ASSERT_TRUE(Run(kPlace, &target));
  // u = (0, 1, 0): the turned c scaled per axis. Scaling c before turning it
  // would give (0, 2, 0). The pivot is (m^T (10, 1, 2)) / (2, 1, 1).
  ExpectPlaced(target.placement, {11, 1, 3}, {0.5f, -10, 2});
}

TEST_F(PivotWorkedExample, TransposeStandsInForInverse) {
  RecordElevenTwoThree();
  host::TestNode& target = LoneNode("target");
  // A shear, whose transpose (1 0 0 | 1 1 0 | 0 0 1) is not its inverse
  // (1 -1 0 | 0 1 0 | 0 0 1): the pivot says which one was applied.
  target.placement = host::MakeTransform({1, 1, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}, 1);

  ASSERT_TRUE(Run(kPlace, &target));
  ExpectPlaced(target.placement, {11, 2, 3}, {11, 13, 3});
}

TEST_F(PivotWorkedExample, PlaceWithNeighbourMovesCentreOfBothBoxesOntoRecordedPoint) {
  RecordElevenTwoThree();
  host::TestNode& target = scene_.Add("target");
  target.box = {0, 0, 0, 2, 2, 2};
  host::TestNode& neighbour = scene_.Add("neighbour");
  neighbour.frameTransform = host::MakeTransform({1, 0, 0, 0, 1, 0, 0, 0, 1}, {10, 0, 0}, 1);
  neighbour.box = {1, 1, 1, -1, -1, -1};  // corners given high first
  scene_.ListNode(target, target);
  scene_.ListNode(target, neighbour);

  ASSERT_TRUE(Run(kPlace, &target));
  // Combined box (0, -1, -1)..(11, 2, 2): c = (5.5, 0.5, 0.5).
  ExpectPlaced(target.placement, {5.5f, 1.5f, 2.5f}, {11, 2, 3});
}

TEST_F(PivotWorkedExample, MemorizeMapsPivotThroughAxisScaleFirst) {
  host::TestNode& source = LoneNode("source");
  source.placement = host::MakeTransform({0, -1, 0, 1, 0, 0, 0, 0, 1}, {10, 20, 30}, 2);
  source.axisScale = {3, 1, 1};
  source.pivot = {1, 1, 1};
  ASSERT_TRUE(Run(kMemorize, &source));
  // q = (3, 1, 1); m q = (-1, 3, 1); 2 (m q) + t = (8, 26, 32).
  host::TestNode& target = LoneNode("target");
  ASSERT_TRUE(Run(kPlace, &target));
  const host::SetValue* pivoted = LastSetValue(scene_.log(), Method::kSetPivot);
  ASSERT_NE(pivoted, nullptr) << scene_.log().DescribeAll();
  EXPECT_EQ(pivoted->vector, (Vector3{8, 26, 32}));
}

}  // namespace
}  // namespace orvel::pivot_test
