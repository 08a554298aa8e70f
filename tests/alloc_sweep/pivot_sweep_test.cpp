// The pivot operation keeps its records in locals of the run: a session that
// memorizes on one node and places on another asks the host only for its
// factory and objects, and a refusal of any of them changes nothing in the
// runs that can still be made.
#include <gtest/gtest.h>

#include <cstdint>

#include "tests/alloc_sweep/allocation_sweep.h"

namespace orvel::sweep_test {
namespace {

// What the i-th call of `method` in the log received; null when there was none.
const host::SetValue* SetBy(const host::CallLog& log, host::Method method, std::size_t i) {
  for (const host::Call& call : log.calls()) {
    if (call.method == method && i-- == 0) return &log.value(call);
  }
  return nullptr;
}

TEST(PivotSweepTest, MemorizeAndPlaceAskOnlyForTheObjects) {
  const uint64_t requests = SweepAllocations(Module::kPinmark, [](SweepRun& run) {
    host::Scene& scene = run.scene();
    host::TestNode& from = scene.Add("from");
    from.placement.t = Vector3{10, 0, 0};
    from.pivot = Vector3{1, 2, 3};
    // One node for each object that places, so that each sees the same node.
    host::TestNode* targets[2] = {&scene.Add("to"), &scene.Add("other")};
    for (host::TestNode* to : targets) {
      to->placement.s = 2;
      scene.ListNode(*to, *to);
    }

    IClassFactory* factory = run.GetFactory();
    if (factory == nullptr) return;
    I3DExSceneOperation8* memorizer = run.Create(factory, kIidExtension);
    I3DExSceneOperation8* placer = run.Create(factory, kIidExtension);
    EXPECT_EQ(factory->Release(), 0u);
    I3DExSceneOperation8* copy = placer != nullptr ? run.Clone(placer) : nullptr;

    if (memorizer != nullptr) {
      run.SetOption(memorizer, kMemorize);
      EXPECT_TRUE(SweepRun::Execute(memorizer, &from));
    }
    scene.log().Clear();
    std::size_t placers = 0;
    for (I3DExSceneOperation8* object : {placer, copy}) {
      if (object == nullptr) continue;
      run.SetOption(object, kPlace);
      EXPECT_TRUE(SweepRun::Execute(object, targets[placers++]));
    }
    const std::size_t writes = memorizer != nullptr ? placers : 0;
    // Nothing recorded, or nothing to place with: no node is written.
    EXPECT_EQ(SetBy(scene.log(), host::Method::kSetPivot, writes), nullptr);
    for (std::size_t i = 0; i < writes; ++i) {
      // The point (11, 2, 3) recorded from `from`, given to a node at the
      // origin with scale 2.
      const host::SetValue* pivot = SetBy(scene.log(), host::Method::kSetPivot, i);
      const host::SetValue* placement = SetBy(scene.log(), host::Method::kSetPlacement, i);
      ASSERT_NE(pivot, nullptr);
      ASSERT_NE(placement, nullptr);
      EXPECT_EQ(pivot->vector.x, 5.5f);
      EXPECT_EQ(pivot->vector.y, 1.0f);
      EXPECT_EQ(pivot->vector.z, 1.5f);
      EXPECT_EQ(placement->transform.t.x, 11.0f);
      EXPECT_EQ(placement->transform.t.y, 2.0f);
      EXPECT_EQ(placement->transform.t.z, 3.0f);
    }
    for (I3DExSceneOperation8* object : {memorizer, placer, copy}) {
      if (object != nullptr) run.Released(object);
    }
  });
  EXPECT_EQ(requests, 4u) << "the factory and three objects, nothing for the runs";
}

}  // namespace
}  // namespace orvel::sweep_test
