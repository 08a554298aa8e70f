// A list entry that hands back no SceneNode is passed over as if it were not
// listed: nothing is read from it, nothing released, and it is no other node.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>

#include "tests/pivot/pinmark_session.h"

namespace orvel::pivot_test {
namespace {

enum class Silence { kRefused, kNullWithSuccess, kOutLeftAlone, kNullEntry };

struct SilentCase {
  const char* name;
  Silence silence;
};
void PrintTo(const SilentCase& c, std::ostream* out) { *out << c.name; }

class PivotUnansweredEntry : public PinmarkTest, public ::testing::WithParamInterface<SilentCase> {
 protected:
  // Lists an entry that answers no node; the refusing object, if any.
  host::RefusingEntry* ListSilent(host::TestNode& owner) {
    switch (GetParam().silence) {
      case Silence::kRefused: return &scene_.ListRefusing(owner, host::Refusal::kRefuse);
      case Silence::kNullWithSuccess: return &scene_.ListRefusing(owner, host::Refusal::kNullSuccess);
      case Silence::kOutLeftAlone: return &scene_.ListRefusing(owner, host::Refusal::kUntouched);
      case Silence::kNullEntry: owner.nodeList.push_back(NodeListEntry{}); return nullptr;
    }
    return nullptr;
  }

  static void ExpectAskedOnce(const host::RefusingEntry* entry) {
    if (entry == nullptr) return;
    EXPECT_EQ(entry->queries, 1);
    EXPECT_EQ(entry->references, 0);
  }
};

TEST_P(PivotUnansweredEntry, FirstAnsweringEntryStartsTheBox) {
  // Far from the origin, so a box started anywhere but at the first answering
  // entry's corner shows in the centre.
  host::TestNode& node = scene_.Add("node");
  node.box = {10, 10, 10, 12, 12, 12};
  host::TestNode& other = scene_.Add("other");
  other.box = {20, 20, 20, 22, 22, 22};
  host::RefusingEntry* silent = ListSilent(node);
  scene_.ListNode(node, node);
  scene_.ListNode(node, other);

  const std::optional<Vector3> reference = ReferencePointSeenBy(node);
  ASSERT_TRUE(reference) << scene_.log().DescribeAll();
  EXPECT_EQ(*reference, (Vector3{16, 16, 16}));
  ExpectAskedOnce(silent);
}

TEST_P(PivotUnansweredEntry, IsNoOtherNode) {
  host::TestNode& node = scene_.Add("node");
  node.box = {10, 10, 10, 12, 12, 12};
  scene_.ListNode(node, node);
  host::RefusingEntry* silent = ListSilent(node);

  const std::optional<Vector3> reference = ReferencePointSeenBy(node);
  ASSERT_TRUE(reference) << scene_.log().DescribeAll();
  EXPECT_EQ(*reference, (Vector3{0, 0, 0}));
  ExpectAskedOnce(silent);
}

INSTANTIATE_TEST_SUITE_P(Entries, PivotUnansweredEntry,
                         ::testing::Values(SilentCase{"Refused", Silence::kRefused},
                                           SilentCase{"NullWithSuccess", Silence::kNullWithSuccess},
                                           SilentCase{"OutLeftAlone", Silence::kOutLeftAlone},
                                           SilentCase{"NullEntry", Silence::kNullEntry}),
                         [](const ::testing::TestParamInfo<SilentCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvel::pivot_test
