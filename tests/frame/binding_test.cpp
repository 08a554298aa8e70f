// Binding the module to HostServices, through DllInitRDCom and through an
// object's Initialize, and what a rebinding does to blocks already handed out.
#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "tests/frame/module_fixture.h"

namespace orvel::frame_test {
namespace {

class BindingTest : public ModuleTest {
 protected:
  static std::vector<GUID> AskedOnce() { return {std::begin(kHostServiceIds), std::end(kHostServiceIds)}; }
};

TEST_P(BindingTest, ABindingAsksTheFiveIdsInOrderAndTheHostValueOnce) {
  EXPECT_EQ(services_.queriedIds(), AskedOnce());
  EXPECT_EQ(services_.hostValueCalls(), 1u);
  EXPECT_EQ(services_.allocateCalls(), 0u) << "binding needs no memory";
  for (int slot = 0; slot < 5; ++slot) {
    EXPECT_EQ(services_.service(slot).references, 1) << "the module keeps the reference of slot " << slot;
  }

  // Binding the same host again asks again; the earlier answers are
  // overwritten, not released.
  ASSERT_EQ(library_->InitRDCom(&services_), hr::kOk);
  std::vector<GUID> twice = AskedOnce();
  twice.insert(twice.end(), std::begin(kHostServiceIds), std::end(kHostServiceIds));
  EXPECT_EQ(services_.queriedIds(), twice);
  EXPECT_EQ(services_.hostValueCalls(), 2u);
  for (int slot = 0; slot < 5; ++slot) EXPECT_EQ(services_.service(slot).references, 2) << "slot " << slot;
}

TEST_P(BindingTest, ANullHostChangesNothingAndStillAnswersZero) {
  I3DExSceneOperation8* object = NewObject();
  ASSERT_NE(object, nullptr);
  const HostTally before = Tally(services_);
  EXPECT_EQ(library_->InitRDCom(nullptr), hr::kOk);
  EXPECT_EQ(object->Initialize(nullptr), hr::kOk);
  EXPECT_EQ(Tally(services_), before);

  // Still bound to the same host.
  IClassFactory* factory = NewFactory();
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(services_.allocateCalls(), before.allocations + 1);
  EXPECT_TRUE(services_.allocator().Holds(factory));
  factory->Release();
  object->Release();
}

// How the host rebinds: through the export or through any object.
enum class Rebind { kDllInitRDCom, kInitialize };

TEST_P(BindingTest, RebindingSendsLaterAllocationsAndEveryFreeToTheNewHost) {
  for (const Rebind how : {Rebind::kDllInitRDCom, Rebind::kInitialize}) {
    SCOPED_TRACE(how == Rebind::kDllInitRDCom ? "through DllInitRDCom" : "through Initialize");
    host::TestHostServices other(0x5eed0002u);
    I3DExSceneOperation8* before = NewObject();
    ASSERT_NE(before, nullptr);
    ASSERT_TRUE(services_.allocator().Holds(before));
    const HostTally first = Tally(services_);

    if (how == Rebind::kDllInitRDCom) {
      EXPECT_EQ(library_->InitRDCom(&other), hr::kOk);
    } else {
      EXPECT_EQ(before->Initialize(&other), hr::kOk);
    }
    EXPECT_EQ(other.queriedIds(), AskedOnce());
    EXPECT_EQ(other.hostValueCalls(), 1u);

    // New factories and objects come from the new host only.
    I3DExSceneOperation8* after = NewObject();
    ASSERT_NE(after, nullptr);
    EXPECT_TRUE(other.allocator().Holds(after));
    EXPECT_EQ(other.allocateCalls(), 2u) << "a factory and an object";
    EXPECT_EQ(other.freeCalls(), 1u) << "the factory";
    EXPECT_EQ(after->Release(), 0u);
    EXPECT_EQ(other.allocator().liveBlocks(), 0u);
    EXPECT_EQ(other.faults(), std::vector<std::string>{});

    // A block goes back to whichever host is bound when it is freed: the
    // object made before the rebinding is given to the new host, which never
    // handed it out, and the first host still holds it.
    const void* block = before;
    EXPECT_EQ(before->Release(), 0u);
    EXPECT_EQ(other.freeCalls(), 3u);
    EXPECT_EQ(other.faults().size(), 1u) << "the new host did not see the old block come back";
    EXPECT_EQ(Tally(services_), first) << "the first host was called after the rebinding";
    EXPECT_TRUE(services_.allocator().Holds(block));
    services_.allocator().Free(const_cast<void*>(block));

    EXPECT_EQ(CanUnloadNow(), hr::kOk);
    EXPECT_EQ(other.selfReferenceCalls(), 0);
    // Back to the fixture's host before `other` goes.
    ASSERT_EQ(library_->InitRDCom(&services_), hr::kOk);
  }
}

TEST_P(BindingTest, RefusedHostInterfacesLeaveNullSlotsAndTheBindingGoesOn) {
  const std::vector<std::vector<int>> refusals = {{0}, {1, 3}, {4}, {0, 1, 2, 3, 4}};
  for (const std::vector<int>& refused : refusals) {
    SCOPED_TRACE(::testing::Message() << "refused slots " << ::testing::PrintToString(refused));
    host::TestHostServices other;
    for (const int slot : refused) other.Refuse(slot);
    ASSERT_EQ(library_->InitRDCom(&other), hr::kOk);
    EXPECT_EQ(other.queriedIds(), AskedOnce()) << "a refusal stopped the binding";
    EXPECT_EQ(other.hostValueCalls(), 1u);
    for (int slot = 0; slot < 5; ++slot) {
      const bool wasRefused = std::find(refused.begin(), refused.end(), slot) != refused.end();
      EXPECT_EQ(other.service(slot).references, wasRefused ? 0 : 1) << "slot " << slot;
    }

    IClassFactory* factory = NewFactory();
    ASSERT_NE(factory, nullptr);
    EXPECT_TRUE(other.allocator().Holds(factory));
    factory->Release();
    EXPECT_EQ(other.allocator().LeakReport(), "");
    EXPECT_EQ(other.faults(), std::vector<std::string>{});
    ASSERT_EQ(library_->InitRDCom(&services_), hr::kOk);
  }
  // Every binding to the fixture's host kept its answers: overwritten in the
  // slots, never released.
  const int bindings = 1 + static_cast<int>(refusals.size());
  for (int slot = 0; slot < 5; ++slot) EXPECT_EQ(services_.service(slot).references, bindings) << "slot " << slot;
}

INSTANTIATE_TEST_SUITE_P(Modules, BindingTest, ::testing::Values(kPinmark, kTwinflip), ModuleName);

}  // namespace
}  // namespace orvel::frame_test
