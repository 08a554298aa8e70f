// Every request for memory that the frame makes, refused in turn: each
// creation answers null or E_OUTOFMEMORY exactly when its own request was
// refused, the counters stay true to the live objects, and nothing is left
// with the host once everything is released.
#include <gtest/gtest.h>

#include <cstdint>

#include "tests/alloc_sweep/allocation_sweep.h"

namespace orvel::sweep_test {
namespace {

class FrameSweepTest : public ::testing::TestWithParam<Module> {};

TEST_P(FrameSweepTest, GetClassObject) {
  const uint64_t requests = SweepAllocations(GetParam(), [](SweepRun& run) {
    if (IClassFactory* factory = run.GetFactory()) {
      EXPECT_EQ(factory->Release(), 0u);
    }
  });
  EXPECT_EQ(requests, 1u);
}

TEST_P(FrameSweepTest, CreateInstance) {
  const uint64_t requests = SweepAllocations(GetParam(), [](SweepRun& run) {
    IClassFactory* factory = run.GetFactory();
    if (factory == nullptr) return;
    if (I3DExSceneOperation8* object = run.Create(factory, kIidExtension)) run.Released(object);
    EXPECT_EQ(factory->Release(), 0u);
  });
  EXPECT_EQ(requests, 2u);
}

TEST_P(FrameSweepTest, CloneKeepsTheOriginalWhenRefused) {
  const uint64_t requests = SweepAllocations(GetParam(), [](SweepRun& run) {
    IClassFactory* factory = run.GetFactory();
    if (factory == nullptr) return;
    I3DExSceneOperation8* object = run.Create(factory, kIidUnknown);
    EXPECT_EQ(factory->Release(), 0u);
    if (object == nullptr) return;
    run.SetOption(object, kMirrorY, 0);
    if (I3DExSceneOperation8* copy = run.Clone(object)) {
      EXPECT_EQ(*static_cast<const OptionCode*>(copy->GetOperationData()), kMirrorY);
      run.Released(copy);
    }
    // A refused Clone leaves the original as it was.
    EXPECT_EQ(object->AddRef(), 2u);
    EXPECT_EQ(object->Release(), 1u);
    EXPECT_EQ(*static_cast<const OptionCode*>(object->GetOperationData()), kMirrorY);
    run.Released(object);
  });
  EXPECT_EQ(requests, 3u);
}

// A host session as a host runs one: two factories, objects through both
// ids the factory accepts, copies, queries, locks and runs of the operation,
// released in an order unlike that of creation. Whatever was refused, the
// session goes on with what it has.
TEST_P(FrameSweepTest, WholeSession) {
  const Module module = GetParam();
  const uint64_t requests = SweepAllocations(module, [module](SweepRun& run) {
    IClassFactory* first = run.GetFactory();
    if (first == nullptr) return;
    I3DExSceneOperation8* a = run.Create(first, kIidUnknown);
    I3DExSceneOperation8* b = run.Create(first, kIidExtension);
    IClassFactory* second = run.GetFactory();
    run.LockServer(first, true);
    EXPECT_EQ(first->Release(), 0u);
    I3DExSceneOperation8* c = a != nullptr ? run.Clone(a) : nullptr;
    I3DExSceneOperation8* d = second != nullptr ? run.Create(second, kIidExtension) : nullptr;
    if (second != nullptr) {
      EXPECT_EQ(second->Release(), 0u);
    }

    host::TestNode& top = run.scene().Add("top");
    host::TestNode& child = run.scene().Add("child", &top);
    run.scene().Add("grandchild", &child);
    run.scene().ListNode(top, child);
    for (I3DExSceneOperation8* object : {a, b, c, d}) {
      if (object == nullptr) continue;
      void* queried = nullptr;
      EXPECT_EQ(object->QueryInterface(&kIidExDataExchanger, &queried), hr::kOk);
      EXPECT_EQ(queried, object);
      EXPECT_EQ(object->Release(), 1u);
      run.SetOption(object, module == Module::kPinmark ? kMemorize : kMirrorY, 0);
      EXPECT_TRUE(SweepRun::Execute(object, &top));
    }
    for (I3DExSceneOperation8* object : {c, a, d, b}) {
      if (object != nullptr) run.Released(object);
    }
    // Still locked, though every object is gone.
    run.ExpectUnloadAnswer();
    IClassFactory* unlocker = run.GetFactory();
    if (unlocker == nullptr) {
      // The lock stays with the module; the host asks again with memory.
      run.services().allocator().AllowAll();
      unlocker = run.GetFactory();
    }
    ASSERT_NE(unlocker, nullptr);
    run.LockServer(unlocker, false);
    EXPECT_EQ(unlocker->Release(), 0u);
  });
  // Two factories, four objects and the factory that unlocks: the runs on
  // so small a tree ask for nothing.
  EXPECT_EQ(requests, 7u);
}

INSTANTIATE_TEST_SUITE_P(BothModules, FrameSweepTest, ::testing::Values(Module::kPinmark, Module::kTwinflip),
                         [](const ::testing::TestParamInfo<Module>& info) { return ModuleName(info.param); });

}  // namespace
}  // namespace orvel::sweep_test
