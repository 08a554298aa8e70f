// The host's view of a run: exactly the calls of the recursive copy, in its
// order, followed by the mirror step's reads and its one SetTransform.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/mirror/recursive_copy_model.h"
#include "tests/mirror/twinflip_fixture.h"

namespace orvel::mirror_test {
namespace {

using host::SiblingEnd;
using host::TestNode;

using CopySequenceTest = TwinflipTest;

TEST_F(CopySequenceTest, SmallTreeInTheRecursiveOrder) {
  // c1 has a child, c2 cannot be duplicated, c3 ends the list with itself.
  TestNode& n = scene_.Add("n");
  TestNode& c1 = scene_.Add("c1", &n);
  scene_.Add("g", &c1);
  TestNode& c2 = scene_.Add("c2", &n);
  c2.failDuplicate = true;
  TestNode& c3 = scene_.Add("c3", &n);
  c3.siblingEnd = SiblingEnd::kSelf;
  Write(object_, kMirrorX, 0);

  ASSERT_TRUE(Run(&n));
  EXPECT_EQ(scene_.log().DescribeAll(),
            "n.Duplicate(1) -> n'\n"
            "n.InsertSibling(n')\n"
            "n.GetFirstChild() -> c1\n"
            "c1.Duplicate(1) -> c1'\n"
            "c1.GetFirstChild() -> g\n"
            "g.Duplicate(1) -> g'\n"
            "g.GetFirstChild() -> null\n"
            "c1'.AddChild(g')\n"
            "g.GetNextSibling() -> null\n"
            "n'.AddChild(c1')\n"
            "c1.GetNextSibling() -> c2\n"
            "c2.Duplicate(1) -> null\n"
            "c2.GetNextSibling() -> c3\n"
            "c3.Duplicate(1) -> c3'\n"
            "c3.GetFirstChild() -> null\n"
            "n'.AddChild(c3')\n"
            "c3.GetNextSibling() -> c3\n"
            "n.GetPivot()\n"
            "n'.GetTransform()\n"
            "n.GetTransform()\n"
            "n.GetAxisScale()\n"
            "n'.SetTransform(m=(-1, -0, -0, 0, 1, 0, 0, 0, 1) t=(0, 0, 0) s=1)\n");
}

TEST_F(CopySequenceTest, ChildlessNodeWithTranslationKept) {
  TestNode& n = scene_.Add("n");
  Write(object_, kMirrorY, 1);
  ASSERT_TRUE(Run(&n));
  EXPECT_EQ(scene_.log().DescribeAll(),
            "n.Duplicate(1) -> n'\n"
            "n.InsertSibling(n')\n"
            "n.GetFirstChild() -> null\n"
            "n.GetPivot()\n"
            "n'.GetTransform()\n"
            "n'.SetTransform(m=(1, 0, 0, -0, -1, -0, 0, 0, 1) t=(0, 0, 0) s=1)\n");
}

// A random tree below `top`: random fan-out and depth, sometimes a long
// spine deeper than any fixed array of levels, random sibling ends and
// random failing Duplicates.
void GrowRandomTree(host::Scene& scene, TestNode& top, std::mt19937& random) {
  std::uniform_int_distribution<int> shape(0, 9);
  const bool spine = shape(random) < 3;
  const int maxDepth = spine ? 40 + shape(random) * 15 : 1 + shape(random) % 6;
  const int maxFanOut = spine ? 2 : 1 + shape(random) % 4;
  const double failure = std::vector<double>{0.0, 0.05, 0.3}[static_cast<std::size_t>(shape(random) % 3)];
  std::bernoulli_distribution fails(failure);
  std::bernoulli_distribution endsWithSelf(0.5);
  std::uniform_int_distribution<int> fanOut(0, maxFanOut);

  struct Pending {
    TestNode* node;
    int depth;
  };
  std::vector<Pending> pending{{&top, 0}};
  int made = 0;
  while (!pending.empty() && made < 2000) {
    const Pending at = pending.back();
    pending.pop_back();
    if (at.depth == maxDepth) continue;
    // On a spine the first child always carries it on.
    const int children = spine ? 1 + fanOut(random) : fanOut(random);
    for (int i = 0; i < children; ++i) {
      TestNode& child = scene.Add("n" + std::to_string(scene.nodes().size()), at.node);
      child.siblingEnd = endsWithSelf(random) ? SiblingEnd::kSelf : SiblingEnd::kNull;
      child.failDuplicate = fails(random);
      ++made;
      if (!spine || i == 0 || shape(random) == 0) pending.push_back({&child, at.depth + 1});
    }
  }
}

TEST_F(CopySequenceTest, RandomTreesMakeTheCallsOfTheRecursiveCopy) {
  const OptionCode codes[] = {kMirrorX, kMirrorY, kMirrorZ, FourCharCode("SXAW")};
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    host::Scene scene;
    TestNode& top = scene.Add("top");
    // Now and then the top node itself cannot be copied.
    top.failDuplicate = random() % 20 == 0;
    GrowRandomTree(scene, top, random);
    const bool keep = random() % 2 == 0;
    Write(object_, codes[random() % 4], keep ? 1 : 0);

    const bool result = Run(&top);
    EXPECT_EQ(result, !top.failDuplicate);
    EXPECT_TRUE(SameCalls(scene.log(), MirrorRunCalls(top, CopiesIn(scene), keep)));
    for (const std::string& fault : scene.faults()) ADD_FAILURE() << fault;
    if (HasFailure()) break;
  }
}

}  // namespace
}  // namespace orvel::mirror_test
