// DllGetClassObject and DllCanUnloadNow, as the host calls them by name.
#include <cstddef>
#include <iterator>

#include "tests/frame/module_fixture.h"

namespace orvel::frame_test {
namespace {

class ExportsTest : public ModuleTest {};

TEST_P(ExportsTest, DllGetClassObjectRefusesWrongIdsAndNullOutPointers) {
  const GUID own = kind().classId;
  struct Case {
    const char* what;
    GUID clsid;
    GUID iid;
    bool nullOut;
    HRESULT expected;
  } const cases[] = {
      {"the other module's class id", kind().otherClassId, kIdClassFactory, false, hr::kFail},
      {"IUnknown as class id", kIdUnknown, kIdUnknown, false, hr::kFail},
      {"class id off in its last byte", NearMiss(own), kIdClassFactory, false, hr::kFail},
      {"the extension's id as interface", own, kIdExtension, false, hr::kNoInterface},
      {"an id the object answers", own, kIdDataExchanger, false, hr::kNoInterface},
      {"IClassFactory off in its last byte", own, NearMiss(kIdClassFactory), false, hr::kNoInterface},
      {"IUnknown off in its last byte", own, NearMiss(kIdUnknown), false, hr::kNoInterface},
      // The class id is judged first.
      {"both ids wrong", kind().otherClassId, kIdExtension, false, hr::kFail},
      {"wrong class id, null out pointer", kind().otherClassId, kIdClassFactory, true, hr::kFail},
      {"null out pointer", own, kIdClassFactory, true, hr::kPointer},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(::testing::Message() << "case " << i << ": " << c.what);
    const HostTally before = Tally(services_);
    void* out = kUntouched;
    EXPECT_EQ(GetClassObject(c.clsid, c.iid, c.nullOut ? nullptr : &out), c.expected);
    EXPECT_EQ(out, kUntouched);
    EXPECT_EQ(Tally(services_), before) << "a refused call reached the host";
    EXPECT_EQ(CanUnloadNow(), hr::kOk);
  }
}

TEST_P(ExportsTest, EachDllGetClassObjectHandsOutAFreshFactoryWithOneReference) {
  for (const GUID& iid : {kIdUnknown, kIdClassFactory}) {
    SCOPED_TRACE(::testing::PrintToString(iid));
    void* first = kUntouched;
    void* second = kUntouched;
    ASSERT_EQ(GetClassObject(kind().classId, iid, &first), hr::kOk);
    ASSERT_EQ(GetClassObject(kind().classId, iid, &second), hr::kOk);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(first, kUntouched);
    EXPECT_NE(first, second);
    EXPECT_EQ(services_.allocator().liveBlocks(), 2u);
    auto* a = static_cast<IClassFactory*>(first);
    auto* b = static_cast<IClassFactory*>(second);
    EXPECT_REF(a, 1);
    EXPECT_REF(b, 1);
    // Factories are not counted: the module may go while one is alive.
    EXPECT_EQ(CanUnloadNow(), hr::kOk);
    EXPECT_EQ(a->Release(), 0u);
    EXPECT_EQ(services_.allocator().liveBlocks(), 1u);
    EXPECT_EQ(b->Release(), 0u);
    EXPECT_EQ(services_.allocator().liveBlocks(), 0u);
    EXPECT_EQ(CanUnloadNow(), hr::kOk);
  }
}

TEST_P(ExportsTest, DllCanUnloadNowAnswersOneWhileAnObjectOrALockIsLeft) {
  IClassFactory* factory = NewFactory();
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(CanUnloadNow(), hr::kOk);

  I3DExSceneOperation8* object = NewObject();
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(CanUnloadNow(), hr::kFalse);
  EXPECT_EQ(factory->LockServer(1), hr::kOk);
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_EQ(CanUnloadNow(), hr::kFalse) << "the lock is still held";
  EXPECT_EQ(factory->LockServer(0), hr::kOk);
  EXPECT_EQ(CanUnloadNow(), hr::kOk);

  // Releasing the factory that took a lock does not give it back.
  EXPECT_EQ(factory->LockServer(1), hr::kOk);
  EXPECT_EQ(factory->Release(), 0u);
  EXPECT_EQ(CanUnloadNow(), hr::kFalse);
  IClassFactory* other = NewFactory();
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(other->LockServer(0), hr::kOk) << "the lock count is the module's, not the factory's";
  EXPECT_EQ(CanUnloadNow(), hr::kOk);
  other->Release();
}

TEST_P(ExportsTest, AnUnmatchedUnlockKeepsTheModuleUntilANonZeroLock) {
  IClassFactory* factory = NewFactory();
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->LockServer(0), hr::kOk);
  EXPECT_EQ(CanUnloadNow(), hr::kFalse) << "a negative lock count must not read as unlocked";
  EXPECT_EQ(factory->LockServer(0), hr::kOk);
  EXPECT_EQ(CanUnloadNow(), hr::kFalse);
  // Any non-zero 32-bit value locks; 0x100 is zero in its low byte, so a
  // module reading a one-byte truth value would unlock instead.
  EXPECT_EQ(factory->LockServer(-1), hr::kOk);
  EXPECT_EQ(CanUnloadNow(), hr::kFalse);
  EXPECT_EQ(factory->LockServer(0x100), hr::kOk);
  EXPECT_EQ(CanUnloadNow(), hr::kOk);
  factory->Release();
}

INSTANTIATE_TEST_SUITE_P(Modules, ExportsTest, ::testing::Values(kPinmark, kTwinflip), ModuleName);

}  // namespace
}  // namespace orvel::frame_test
