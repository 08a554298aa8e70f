// The module over its life: memory refused at each place that makes an
// object, unloading and loading again, and two modules loaded side by side.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/frame/module_fixture.h"

namespace orvel::frame_test {
namespace {

class LifecycleTest : public ModuleTest {};

// The three places that take memory, each numbered by the request it makes
// in the sequence below: factory, object, copy.
enum class Site { kFactory = 1, kObject = 2, kClone = 3 };

TEST_P(LifecycleTest, MemoryRefusedAtEachAllocationSiteGivesNullAndLeavesNothingBehind) {
  host::RecordingAllocator& memory = services_.allocator();
  for (const Site refused : {Site::kFactory, Site::kObject, Site::kClone}) {
    SCOPED_TRACE(::testing::Message() << "refused allocation " << static_cast<int>(refused));
    memory.RefuseNth(memory.requests() + static_cast<uint64_t>(refused));

    void* out = kUntouched;
    const HRESULT gotFactory = GetClassObject(kind().classId, kIdClassFactory, &out);
    if (refused == Site::kFactory) {
      EXPECT_EQ(gotFactory, hr::kOutOfMemory);
      EXPECT_EQ(out, nullptr);
      EXPECT_EQ(memory.liveBlocks(), 0u);
      continue;
    }
    ASSERT_EQ(gotFactory, hr::kOk);
    auto* factory = static_cast<IClassFactory*>(out);

    out = kUntouched;
    const HRESULT gotObject = factory->CreateInstance(nullptr, &kIdExtension, &out);
    EXPECT_EQ(factory->Release(), 0u);
    if (refused == Site::kObject) {
      EXPECT_EQ(gotObject, hr::kOutOfMemory);
      EXPECT_EQ(out, nullptr);
      EXPECT_EQ(CanUnloadNow(), hr::kOk) << "a refused CreateInstance counted an object";
      EXPECT_EQ(memory.liveBlocks(), 0u);
      continue;
    }
    ASSERT_EQ(gotObject, hr::kOk);
    auto* object = static_cast<I3DExSceneOperation8*>(out);
    SetCode(object, kind().otherCode);

    EXPECT_EQ(object->Clone(), nullptr);
    EXPECT_REF(object, 1);
    EXPECT_EQ(CodeOf(object), kind().otherCode);
    EXPECT_EQ(memory.liveBlocks(), 1u);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(CanUnloadNow(), hr::kOk) << "a refused Clone counted an object";
  }
  EXPECT_EQ(memory.refusals(), 3u);

  // A refusal leaves the module as usable as before.
  memory.RefuseNth(memory.requests() + 1);
  void* out = kUntouched;
  EXPECT_EQ(GetClassObject(kind().classId, kIdClassFactory, &out), hr::kOutOfMemory);
  I3DExSceneOperation8* object = NewObject();
  ASSERT_NE(object, nullptr);
  object->Release();
}

TEST_P(LifecycleTest, UnloadingCallsNoHostAndALoadStartsFromTheInitialState) {
  // Leave the module far from where it started: bound, and locked.
  IClassFactory* factory = NewFactory();
  ASSERT_NE(factory, nullptr);
  factory->LockServer(1);
  factory->Release();
  ASSERT_EQ(CanUnloadNow(), hr::kFalse);

  const HostTally bound = Tally(services_);
  Unload();
  EXPECT_EQ(Tally(services_), bound) << "unloading called the host";

  // A module that stayed in memory would still be bound and locked.
  ASSERT_NO_FATAL_FAILURE(Load());
  EXPECT_EQ(CanUnloadNow(), hr::kOk);
  void* out = kUntouched;
  EXPECT_EQ(GetClassObject(kind().classId, kIdClassFactory, &out), hr::kOutOfMemory) << "still bound";
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(Tally(services_), bound);

  ASSERT_EQ(library_->InitRDCom(&services_), hr::kOk);
  I3DExSceneOperation8* object = NewObject();
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(CodeOf(object), kind().defaultCode);
  if (hasKeepTranslation()) {
    EXPECT_EQ(KeepTranslationOf(object), 1);
  }
  object->Release();
}

INSTANTIATE_TEST_SUITE_P(Modules, LifecycleTest, ::testing::Values(kPinmark, kTwinflip), ModuleName);

// Both modules in one host process, each with its own frame.
TEST(BothModulesTest, EachKeepsItsOwnBindingCountersAndDefaults) {
  host::TestHostServices pinmarkHost;
  host::TestHostServices twinflipHost;
  std::string error;
  std::unique_ptr<host::ModuleLibrary> pinmark = host::ModuleLibrary::Open(host::PinmarkModulePath(), &error);
  ASSERT_NE(pinmark, nullptr) << error;
  std::unique_ptr<host::ModuleLibrary> twinflip = host::ModuleLibrary::Open(host::TwinflipModulePath(), &error);
  ASSERT_NE(twinflip, nullptr) << error;

  // Binding one leaves the other unbound.
  ASSERT_EQ(pinmark->InitRDCom(&pinmarkHost), hr::kOk);
  void* out = kUntouched;
  EXPECT_EQ(twinflip->GetClassObject(&kTwinflipClassId, &kIdClassFactory, &out), hr::kOutOfMemory);
  EXPECT_EQ(out, nullptr);
  ASSERT_EQ(twinflip->InitRDCom(&twinflipHost), hr::kOk);
  EXPECT_EQ(pinmarkHost.queriedIds().size(), 5u);
  EXPECT_EQ(twinflipHost.queriedIds().size(), 5u);

  // Neither answers the other's class id.
  out = kUntouched;
  EXPECT_EQ(pinmark->GetClassObject(&kTwinflipClassId, &kIdClassFactory, &out), hr::kFail);
  EXPECT_EQ(twinflip->GetClassObject(&kPinmarkClassId, &kIdClassFactory, &out), hr::kFail);
  EXPECT_EQ(out, kUntouched);

  void* pinmarkFactory = nullptr;
  void* twinflipFactory = nullptr;
  ASSERT_EQ(pinmark->GetClassObject(&kPinmarkClassId, &kIdClassFactory, &pinmarkFactory), hr::kOk);
  ASSERT_EQ(twinflip->GetClassObject(&kTwinflipClassId, &kIdClassFactory, &twinflipFactory), hr::kOk);
  auto* pf = static_cast<IClassFactory*>(pinmarkFactory);
  auto* tf = static_cast<IClassFactory*>(twinflipFactory);
  EXPECT_TRUE(pinmarkHost.allocator().Holds(pf));
  EXPECT_TRUE(twinflipHost.allocator().Holds(tf));

  // Each module's memory comes from its own host, its defaults are its own.
  void* object = nullptr;
  ASSERT_EQ(pf->CreateInstance(nullptr, &kIdExtension, &object), hr::kOk);
  auto* pinmarkObject = static_cast<I3DExSceneOperation8*>(object);
  ASSERT_EQ(tf->CreateInstance(nullptr, &kIdExtension, &object), hr::kOk);
  auto* twinflipObject = static_cast<I3DExSceneOperation8*>(object);
  EXPECT_EQ(pinmarkHost.allocateCalls(), 2u);
  EXPECT_EQ(twinflipHost.allocateCalls(), 2u);
  EXPECT_EQ(CodeOf(pinmarkObject), FourCharCode("HMEM"));
  EXPECT_EQ(CodeOf(twinflipObject), FourCharCode("SXAX"));
  EXPECT_EQ(KeepTranslationOf(twinflipObject), 1);

  // Objects and locks count in their own module only.
  EXPECT_EQ(pinmarkObject->Release(), 0u);
  EXPECT_EQ(pinmark->CanUnloadNow(), hr::kOk);
  EXPECT_EQ(twinflip->CanUnloadNow(), hr::kFalse);
  EXPECT_EQ(pf->LockServer(1), hr::kOk);
  EXPECT_EQ(twinflipObject->Release(), 0u);
  EXPECT_EQ(twinflip->CanUnloadNow(), hr::kOk);
  EXPECT_EQ(pinmark->CanUnloadNow(), hr::kFalse);
  EXPECT_EQ(pf->LockServer(0), hr::kOk);
  EXPECT_EQ(pinmark->CanUnloadNow(), hr::kOk);

  // Rebinding one leaves the other bound where it was.
  host::TestHostServices third;
  ASSERT_EQ(pinmark->InitRDCom(&third), hr::kOk);
  EXPECT_EQ(tf->Release(), 0u);
  EXPECT_EQ(twinflipHost.allocator().liveBlocks(), 0u);
  EXPECT_EQ(third.freeCalls(), 0u);
  ASSERT_EQ(pinmark->InitRDCom(&pinmarkHost), hr::kOk);
  EXPECT_EQ(pf->Release(), 0u);

  // Unloading one leaves the other working.
  pinmark.reset();
  ASSERT_EQ(twinflip->GetClassObject(&kTwinflipClassId, &kIdClassFactory, &twinflipFactory), hr::kOk);
  static_cast<IClassFactory*>(twinflipFactory)->Release();
  twinflip.reset();

  for (const host::TestHostServices* services : {&pinmarkHost, &twinflipHost, &third}) {
    EXPECT_EQ(services->faults(), std::vector<std::string>{});
    EXPECT_EQ(services->allocator().LeakReport(), "");
    EXPECT_EQ(services->selfReferenceCalls(), 0);
  }
}

}  // namespace
}  // namespace orvel::frame_test
