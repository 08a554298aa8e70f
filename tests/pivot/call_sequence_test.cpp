// The host calls of a pivot run, in order, for every variant.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <vector>

#include "tests/pivot/pinmark_session.h"

namespace orvel::pivot_test {
namespace {

using host::Method;

// The calls that read one listed node.
void AppendEntryReads(std::vector<host::Call>& calls, const host::TestNode& listed) {
  calls.push_back(Expect(Method::kQueryInterface, listed));
  calls.push_back(Expect(Method::kGetFrameTransform, listed));
  calls.push_back(Expect(Method::kGetBoundingBox, listed, 0));
  calls.push_back(Expect(Method::kGetAxisScale, listed));
  calls.push_back(Expect(Method::kRelease, listed));
}

struct SequenceCase {
  const char* name;
  OptionCode option;
  bool pointRecorded;
  // What follows GetPlacement and GetAxisScale on the node.
  std::vector<Method> tail;
};
void PrintTo(const SequenceCase& c, std::ostream* out) { *out << c.name; }

class PivotCallSequence : public PinmarkTest, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(PivotCallSequence, ReadsEveryRunAndWritesOnlyWhenPlacing) {
  const SequenceCase& c = GetParam();
  if (c.pointRecorded) Record({1.0f, 2.0f, 3.0f});
  host::TestNode& node = scene_.Add("node");
  host::TestNode& other = scene_.Add("other");
  scene_.ListNode(node, node);
  scene_.ListNode(node, other);

  EXPECT_TRUE(Run(c.option, &node));

  std::vector<host::Call> expected = {Expect(Method::kGetNodeList, node, 2)};
  AppendEntryReads(expected, node);
  AppendEntryReads(expected, other);
  expected.push_back(Expect(Method::kReleaseNodeList, node));
  expected.push_back(Expect(Method::kGetPlacement, node));
  expected.push_back(Expect(Method::kGetAxisScale, node));
  for (Method method : c.tail) expected.push_back(Expect(method, node));
  EXPECT_EQ(scene_.log().calls(), expected) << "calls:\n"
                                            << scene_.log().DescribeAll() << "expected:\n"
                                            << DescribeExpected(expected);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, PivotCallSequence,
    ::testing::Values(
        SequenceCase{"Memorize", kMemorize, false, {Method::kGetPivot}},
        SequenceCase{"MemorizeAgain", kMemorize, true, {Method::kGetPivot}},
        SequenceCase{"PlaceWithoutRecordedPoint", kPlace, false, {}},
        SequenceCase{"Place",
                     kPlace,
                     true,
                     {Method::kBeginChange, Method::kPrepareChange, Method::kSetPlacement, Method::kSetPivot,
                      Method::kEndChange}},
        SequenceCase{"OtherCode", FourCharCode("HLPB"), true, {}},
        SequenceCase{"ZeroCode", 0u, true, {}}),
    [](const ::testing::TestParamInfo<SequenceCase>& info) { return std::string(info.param.name); });

using PivotRunOnNode = PinmarkTest;

TEST_F(PivotRunOnNode, NullNodeMakesNoCallAndChangesNothing) {
  Operation place = session_.Create(kPlace);
  EXPECT_FALSE(Run(place, nullptr));
  Operation memorize = session_.Create(kMemorize);
  EXPECT_FALSE(Run(memorize, nullptr));

  EXPECT_TRUE(scene_.log().calls().empty()) << scene_.log().DescribeAll();
  EXPECT_EQ(session_.Create().option(), kMemorize) << "a null run replaced DefaultOptionCode";
  // Nor did the null memorize run record a point: placing still writes nothing.
  host::TestNode& node = LoneNode("node");
  EXPECT_TRUE(Run(place, &node));
  EXPECT_FALSE(Logged(scene_.log(), Method::kBeginChange)) << scene_.log().DescribeAll();
}

TEST_F(PivotRunOnNode, FirstPlaceAfterLoadOnlyReads) {
  host::TestNode& node = LoneNode("node");
  const NodeTransform placement = node.placement;
  const Vector3 pivot = node.pivot;
  EXPECT_TRUE(Run(kPlace, &node));
  for (const host::Call& call : scene_.log().calls()) {
    EXPECT_TRUE(call.method != Method::kBeginChange && call.method != Method::kPrepareChange &&
                call.method != Method::kSetPlacement && call.method != Method::kSetPivot &&
                call.method != Method::kEndChange)
        << scene_.log().Describe(call);
  }
  EXPECT_EQ(0, std::memcmp(&node.placement, &placement, sizeof placement));
  EXPECT_EQ(node.pivot, pivot);
  EXPECT_EQ(session_.Create().option(), kPlace);
}

}  // namespace
}  // namespace orvel::pivot_test
