// Hierarchies far deeper or wider than any scene an artist builds by hand:
// the copy must be complete whatever the depth and whatever the stack of the
// calling thread, and a host that runs out of memory must get back a copy
// that is a consistent part of the source, with every block returned.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/mirror/small_stack_thread.h"
#include "tests/mirror/twinflip_fixture.h"

namespace orvel::mirror_test {
namespace {

using host::TestNode;

// A chain of `depth` nodes below `top`, the nodes unnamed to keep the scene
// small. Returns the chain's nodes from the top down.
std::vector<TestNode*> BuildChain(host::Scene& scene, TestNode& top, std::size_t depth) {
  std::vector<TestNode*> chain{&top};
  chain.reserve(depth + 1);
  for (std::size_t i = 0; i < depth; ++i) chain.push_back(&scene.Add("", chain.back()));
  return chain;
}

// How many levels below `copy` copy the chain, level by level; stops at the
// first level that is not a lone copy of the chain's node there.
std::size_t CopiedLevels(const TestNode& copy, const std::vector<TestNode*>& chain) {
  const TestNode* at = &copy;
  std::size_t level = 0;
  while (at->children().size() == 1 && level + 1 < chain.size() && at->children()[0]->copyOf() == chain[level + 1]) {
    at = at->children()[0];
    ++level;
  }
  return at->children().empty() ? level : SIZE_MAX;
}

struct DeepRun {
  I3DExSceneOperation8* object;
  TestNode* node;
  bool result;
};

void RunDeep(void* run) {
  auto* deep = static_cast<DeepRun*>(run);
  deep->result = deep->object->Execute(0, deep->node, 0, 0, 0);
}

using DeepAndWideTest = TwinflipTest;

TEST_F(DeepAndWideTest, MillionDeepChainOnA256KiBStack) {
  constexpr std::size_t kDepth = 1000000;
  scene_.log().enabled = false;
  TestNode& top = scene_.Add("top");
  const std::vector<TestNode*> chain = BuildChain(scene_, top, kDepth);
  const uint64_t requestsBefore = services_.allocator().requests();

  DeepRun run{object_, &top, false};
  ASSERT_TRUE(RunOnSmallStack(256 * 1024, RunDeep, &run));
  EXPECT_TRUE(run.result);

  const TestNode* copy = CopyBeside(top);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(CopiedLevels(*copy, chain), kDepth);
  EXPECT_EQ(scene_.duplicates(), kDepth + 1);
  // The walk's storage grows geometrically: a handful of blocks, not one per
  // level or per few levels.
  EXPECT_LT(services_.allocator().requests() - requestsBefore, 40u);
  EXPECT_EQ(services_.allocator().liveBlocks(), 2u) << "only the factory and the object";
}

TEST_F(DeepAndWideTest, HundredThousandChildrenInOrder) {
  constexpr std::size_t kChildren = 100000;
  scene_.log().enabled = false;
  TestNode& top = scene_.Add("top");
  for (std::size_t i = 0; i < kChildren; ++i) scene_.Add("", &top);
  top.children().back()->siblingEnd = host::SiblingEnd::kSelf;
  const uint64_t requestsBefore = services_.allocator().requests();

  ASSERT_TRUE(Run(&top));
  const TestNode* copy = CopyBeside(top);
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->children().size(), kChildren);
  for (std::size_t i = 0; i < kChildren; ++i) {
    ASSERT_EQ(copy->children()[i]->copyOf(), top.children()[i]) << "child " << i;
  }
  EXPECT_EQ(services_.allocator().requests(), requestsBefore) << "one level needs no host memory";
}

TEST_F(DeepAndWideTest, OrdinaryTreesNeedNoHostMemory) {
  // Three dozen levels, each node with three children of which the first
  // carries the depth on.
  TestNode& top = scene_.Add("top");
  TestNode* at = &top;
  for (int level = 0; level < 36; ++level) {
    TestNode* next = &scene_.Add("", at);
    scene_.Add("", at);
    scene_.Add("", at);
    at = next;
  }
  const uint64_t requestsBefore = services_.allocator().requests();
  ASSERT_TRUE(Run(&top));
  EXPECT_EQ(scene_.duplicates(), 1u + 36 * 3);
  EXPECT_EQ(services_.allocator().requests(), requestsBefore);
}

// A comb: spine nodes s0..sN, each with children [s(i+1), leaf(i)], so every
// level has a sibling after the deep branch.
struct Comb {
  std::vector<TestNode*> spine;
  std::vector<TestNode*> leaves;
};

Comb BuildComb(host::Scene& scene, TestNode& top, std::size_t depth) {
  Comb comb{{&top}, {}};
  for (std::size_t i = 0; i < depth; ++i) {
    TestNode& parent = *comb.spine.back();
    comb.spine.push_back(&scene.Add("s" + std::to_string(i + 1), &parent));
    comb.leaves.push_back(&scene.Add("leaf" + std::to_string(i), &parent));
  }
  return comb;
}

// The copy is a consistent part of the source: every copy made hangs in the
// tree below `topCopy`, and each copy's children are copies of some of its
// source's children, in the source's order.
void ExpectConsistentPartialCopy(const host::Scene& scene, const TestNode& topCopy) {
  for (const auto& node : scene.nodes()) {
    const TestNode* source = node->copyOf();
    if (source == nullptr) continue;
    const TestNode* up = node.get();
    while (up != nullptr && up != &topCopy) up = up->parent();
    EXPECT_EQ(up, &topCopy) << scene.log().Describe(host::Call{host::Method::kDuplicate, source, node.get(), 1, -1})
                            << ": a copy left outside the copied tree";
    std::size_t next = 0;
    for (const TestNode* child : node->children()) {
      while (next < source->children().size() && source->children()[next] != child->copyOf()) ++next;
      EXPECT_LT(next, source->children().size()) << "children out of order below " << node->id();
      ++next;
    }
  }
}

// Every node that was duplicated had its list of children walked to the end:
// no copy is left without the children it could have had.
void ExpectEveryCopyWalked(const host::Scene& scene) {
  for (const auto& node : scene.nodes()) {
    const TestNode* source = node->copyOf();
    if (source == nullptr || source->children().empty()) continue;
    const TestNode* last = source->children().back();
    bool walked = false;
    for (const host::Call& call : scene.log().calls()) {
      walked = walked || (call.method == host::Method::kGetNextSibling && call.node == last);
    }
    EXPECT_TRUE(walked) << "the children of " << source->name() << " were not all visited";
  }
}

TEST_F(DeepAndWideTest, RefusedMemoryLeavesOutTheDeepestLevels) {
  constexpr std::size_t kDepth = 400;
  TestNode& top = scene_.Add("top");
  const Comb comb = BuildComb(scene_, top, kDepth);

  // The first block of deeper levels is granted, nothing after it.
  services_.allocator().RefuseAfter(1);
  EXPECT_TRUE(Run(&top));
  services_.allocator().AllowAll();
  EXPECT_GT(services_.allocator().refusals(), 0u);

  const TestNode* copy = CopyBeside(top);
  ASSERT_NE(copy, nullptr);
  EXPECT_LT(scene_.duplicates(), 2 * kDepth + 1) << "the copy is partial";
  ExpectConsistentPartialCopy(scene_, *copy);
  ExpectEveryCopyWalked(scene_);

  // The levels that could be stored are copied completely, leaves included,
  // and the mirror step still ran on the top copy.
  std::size_t spineCopied = 0;
  for (const TestNode* level = copy; !level->children().empty(); level = level->children()[0]) {
    ASSERT_EQ(level->children().size(), 2u) << "level " << spineCopied;
    EXPECT_EQ(level->children()[0]->copyOf(), comb.spine[spineCopied + 1]);
    EXPECT_EQ(level->children()[1]->copyOf(), comb.leaves[spineCopied]);
    ++spineCopied;
  }
  EXPECT_GE(spineCopied, 48u);
  EXPECT_EQ(scene_.log().calls().back().method, host::Method::kSetTransform);
  EXPECT_EQ(scene_.log().calls().back().node, copy);
}

TEST_F(DeepAndWideTest, RefusedMemoryFromTheStartStillCopiesTheShallowLevels) {
  // A deep branch first, then a shallow sibling that needs no host memory.
  TestNode& top = scene_.Add("top");
  TestNode& deep = scene_.Add("deep", &top);
  scene_.log().enabled = false;
  const std::vector<TestNode*> chain = BuildChain(scene_, deep, 5000);
  TestNode& after = scene_.Add("after", &top);
  scene_.Add("afterChild", &after);
  scene_.log().enabled = true;

  services_.allocator().RefuseAll();
  EXPECT_TRUE(Run(&top));
  services_.allocator().AllowAll();

  const TestNode* copy = CopyBeside(top);
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->children().size(), 2u);
  EXPECT_EQ(copy->children()[0]->copyOf(), &deep);
  EXPECT_EQ(copy->children()[1]->copyOf(), &after);
  ASSERT_EQ(copy->children()[1]->children().size(), 1u);
  const std::size_t levels = CopiedLevels(*copy->children()[0], chain);
  EXPECT_GE(levels, 32u);
  EXPECT_LT(levels, chain.size() - 1);
  ExpectConsistentPartialCopy(scene_, *copy);
}

}  // namespace
}  // namespace orvel::mirror_test
