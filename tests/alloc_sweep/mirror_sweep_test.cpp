// The mirror walk asks the host for memory once a hierarchy is deeper than
// the levels it keeps inline, and again each time it outgrows its blocks.
// Each of those requests refused in turn: the run still makes its copy and
// answers 1, the copy is a consistent part of the source's sub-tree that
// lacks exactly the child (with its sub-tree) for which no level could be
// had, and every block the walk did get goes back to the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "tests/alloc_sweep/allocation_sweep.h"

namespace orvel::sweep_test {
namespace {

using host::TestNode;

std::size_t SubtreeSize(const TestNode& top) {
  std::size_t size = 0;
  std::vector<const TestNode*> pending{&top};
  while (!pending.empty()) {
    const TestNode* node = pending.back();
    pending.pop_back();
    ++size;
    for (const TestNode* child : node->children()) pending.push_back(child);
  }
  return size;
}

struct PartialCopy {
  std::size_t copied = 0;
  // Children of copied source nodes that have no copy, each with its sub-tree.
  std::vector<const TestNode*> leftOut;
};

// Walks `copy` against `source`: every copied node must be the copy of the
// source node in the same place, and the children of each copy must copy
// distinct children of its source, in the source's order.
PartialCopy ComparePartialCopy(const TestNode& copy, const TestNode& source) {
  PartialCopy result;
  std::vector<std::pair<const TestNode*, const TestNode*>> pending{{&copy, &source}};
  while (!pending.empty()) {
    const auto [made, from] = pending.back();
    pending.pop_back();
    ++result.copied;
    EXPECT_EQ(made->copyOf(), from) << "copy #" << made->id() << " sits where #" << from->id() << " is copied";
    const auto& sources = from->children();
    std::size_t next = 0;
    for (const TestNode* child : made->children()) {
      while (next < sources.size() && sources[next] != child->copyOf()) result.leftOut.push_back(sources[next++]);
      if (next == sources.size()) {
        ADD_FAILURE() << "copy #" << child->id() << " under #" << made->id() << " copies no later child of #"
                      << from->id();
        return result;
      }
      pending.emplace_back(child, sources[next++]);
    }
    while (next < sources.size()) result.leftOut.push_back(sources[next++]);
  }
  return result;
}

// Copies `top` with a fresh module and checks the copy against the source.
void MirrorScenario(SweepRun& run, TestNode& top) {
  IClassFactory* factory = run.GetFactory();
  if (factory == nullptr) return;
  I3DExSceneOperation8* object = run.Create(factory, kIidExtension);
  EXPECT_EQ(factory->Release(), 0u);
  if (object == nullptr) return;

  run.scene().log().enabled = false;
  bool result = false;
  const bool refused = run.RefusedDuring([&] { result = SweepRun::Execute(object, &top); });
  EXPECT_TRUE(result) << "a walk short of memory still makes its copy";
  EXPECT_EQ(run.services().allocator().liveBlocks(), 1u) << "only the object's block outlives the run";

  const TestNode* copy = nullptr;
  std::size_t copies = 0;
  for (const auto& node : run.scene().nodes()) {
    if (node->copyOf() == &top) copy = node.get();
    if (node->copyOf() != nullptr) ++copies;
  }
  ASSERT_NE(copy, nullptr);
  const PartialCopy partial = ComparePartialCopy(*copy, top);
  EXPECT_EQ(partial.copied, copies) << "copies made but left outside the scene";
  std::size_t missing = 0;
  for (const TestNode* child : partial.leftOut) missing += SubtreeSize(*child);
  EXPECT_EQ(partial.copied + missing, SubtreeSize(top));
  // One refused request, one child left out: the walk goes on with the next
  // sibling, which asks again.
  EXPECT_EQ(partial.leftOut.size(), refused ? 1u : 0u);
  run.Released(object);
}

TEST(MirrorSweepTest, ChainFiveHundredDeep) {
  const uint64_t requests = SweepAllocations(Module::kTwinflip, [](SweepRun& run) {
    TestNode& top = run.scene().Add("top");
    TestNode* at = &top;
    for (int level = 0; level < 500; ++level) at = &run.scene().Add("", at);
    MirrorScenario(run, top);
  });
  // The factory, the object and more than one block for the walk.
  EXPECT_GT(requests, 4u);
}

// Beside every node of a chain a leaf, before it in one half and after it in
// the other, so that a refused level sometimes falls on the leaf and
// sometimes on the chain, with siblings left to copy either way.
TEST(MirrorSweepTest, CombWithSiblingsAroundEveryLevel) {
  const uint64_t requests = SweepAllocations(Module::kTwinflip, [](SweepRun& run) {
    TestNode& top = run.scene().Add("top");
    TestNode* at = &top;
    for (int level = 0; level < 300; ++level) {
      if (level < 150) run.scene().Add("", at);
      TestNode* next = &run.scene().Add("", at);
      if (level >= 150) run.scene().Add("", at).siblingEnd = host::SiblingEnd::kSelf;
      at = next;
    }
    MirrorScenario(run, top);
  });
  EXPECT_GT(requests, 4u);
}

}  // namespace
}  // namespace orvel::sweep_test
