// The extension object: interface lookup, reference counting and the moment
// of destruction, the OperationData block and its defaults, and Clone.
#include <cstddef>
#include <cstring>
#include <iterator>

#include "tests/frame/module_fixture.h"

namespace orvel::frame_test {
namespace {

class ExtensionObjectTest : public ModuleTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ModuleTest::SetUp());
    object_ = NewObject();
    ASSERT_NE(object_, nullptr);
  }
  void TearDown() override {
    if (object_ != nullptr) {
      EXPECT_EQ(object_->Release(), 0u);
    }
    ModuleTest::TearDown();
  }

  // Sets a code and a KeepTranslation byte the defaults never hold.
  void EditSettings(I3DExSceneOperation8* object) {
    SetCode(object, kind().otherCode);
    if (hasKeepTranslation()) SetKeepTranslation(object, 0);
  }

  I3DExSceneOperation8* object_ = nullptr;
};

TEST_P(ExtensionObjectTest, QueryInterfaceAnswersItsFourIdsWithItselfAndRaisesTheCount) {
  const GUID answered[] = {kIdUnknown, kIdExtension, kIdDataExchanger, kIdSceneOperation};
  for (std::size_t i = 0; i < std::size(answered); ++i) {
    SCOPED_TRACE(::testing::PrintToString(answered[i]));
    void* out = kUntouched;
    EXPECT_EQ(object_->QueryInterface(&answered[i], &out), hr::kOk);
    EXPECT_EQ(out, static_cast<void*>(object_));
    EXPECT_REF(object_, i + 2);
  }
  for (std::size_t i = 0; i < std::size(answered); ++i) object_->Release();
  EXPECT_REF(object_, 1);
}

TEST_P(ExtensionObjectTest, QueryInterfaceRefusesOtherIdsWithNull) {
  const GUID refused[] = {kIdClassFactory,          kIdSceneNode,           kHostServiceIds[0],
                          NearMiss(kIdUnknown),     NearMiss(kIdExtension), NearMiss(kIdDataExchanger),
                          NearMiss(kIdSceneOperation)};
  for (const GUID& iid : refused) {
    SCOPED_TRACE(::testing::PrintToString(iid));
    void* out = kUntouched;
    EXPECT_EQ(object_->QueryInterface(&iid, &out), hr::kNoInterface);
    EXPECT_EQ(out, nullptr);
    EXPECT_REF(object_, 1);
  }
}

TEST_P(ExtensionObjectTest, QueryInterfaceWithANullOutPointerAnswersEPointer) {
  const HostTally before = Tally(services_);
  for (const GUID& iid : {kIdUnknown, kIdExtension, kIdClassFactory}) {
    SCOPED_TRACE(::testing::PrintToString(iid));
    EXPECT_EQ(object_->QueryInterface(&iid, nullptr), hr::kPointer);
    EXPECT_REF(object_, 1);
  }
  EXPECT_EQ(Tally(services_), before);
}

TEST_P(ExtensionObjectTest, TheObjectDiesExactlyAtItsLastRelease) {
  EXPECT_EQ(object_->AddRef(), 2u);
  EXPECT_EQ(object_->AddRef(), 3u);
  EXPECT_EQ(object_->Release(), 2u);
  EXPECT_EQ(object_->Release(), 1u);
  EXPECT_TRUE(services_.allocator().Holds(object_)) << "the object went back before its last reference";
  EXPECT_EQ(CanUnloadNow(), hr::kFalse);

  const void* block = object_;
  const uint64_t frees = services_.freeCalls();
  EXPECT_EQ(object_->Release(), 0u);
  object_ = nullptr;
  EXPECT_EQ(services_.freeCalls(), frees + 1);
  EXPECT_FALSE(services_.allocator().Holds(block));
  EXPECT_EQ(CanUnloadNow(), hr::kOk);
}

TEST_P(ExtensionObjectTest, OperationDataFollowsTheCountAndStartsFromTheModuleDefaults) {
  // The table pointer, then the 32-bit reference count, then the block.
  EXPECT_EQ(DataOffset(object_), static_cast<std::ptrdiff_t>(sizeof(void*) + 4));
  EXPECT_GE(services_.allocator().liveBytes(), sizeof(void*) + 4 + kind().dataSize)
      << "the block the host was asked for does not hold OperationData";

  const auto* bytes = static_cast<const unsigned char*>(object_->GetOperationData());
  // The code's letters lie in memory in reading order.
  EXPECT_EQ(std::memcmp(bytes, kind().defaultLetters, 4), 0) << "expected \"" << kind().defaultLetters << "\"";
  EXPECT_EQ(CodeOf(object_), kind().defaultCode);
  if (hasKeepTranslation()) {
    EXPECT_EQ(bytes[4], 1) << "KeepTranslation";
  }
}

TEST_P(ExtensionObjectTest, EditingAnObjectLeavesTheDefaultsOfNewObjectsAlone) {
  EditSettings(object_);
  I3DExSceneOperation8* fresh = NewObject();
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(CodeOf(fresh), kind().defaultCode);
  if (hasKeepTranslation()) {
    EXPECT_EQ(KeepTranslationOf(fresh), 1);
  }
  EXPECT_EQ(CodeOf(object_), kind().otherCode);
  fresh->Release();
}

TEST_P(ExtensionObjectTest, CloneCopiesTheEditedSettingsIntoAnIndependentObject) {
  EditSettings(object_);
  const uint64_t allocations = services_.allocateCalls();
  auto* copy = static_cast<I3DExSceneOperation8*>(object_->Clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, object_);
  EXPECT_EQ(services_.allocateCalls(), allocations + 1);
  EXPECT_REF(copy, 1);
  EXPECT_REF(object_, 1);
  EXPECT_EQ(DataOffset(copy), DataOffset(object_));
  EXPECT_NE(copy->GetOperationData(), object_->GetOperationData());
  EXPECT_EQ(CodeOf(copy), kind().otherCode) << "Clone took the defaults, not the object's settings";
  if (hasKeepTranslation()) {
    EXPECT_EQ(KeepTranslationOf(copy), 0);
  }

  // Nothing is shared afterwards.
  SetCode(copy, kind().defaultCode);
  EXPECT_EQ(CodeOf(object_), kind().otherCode);
  SetCode(object_, FourCharCode("ABCD"));
  EXPECT_EQ(CodeOf(copy), kind().defaultCode);
  if (hasKeepTranslation()) {
    SetKeepTranslation(copy, 9);
    EXPECT_EQ(KeepTranslationOf(object_), 0);
  }

  // The copy counts as an object of its own.
  EXPECT_EQ(object_->Release(), 0u);
  object_ = nullptr;
  EXPECT_EQ(CanUnloadNow(), hr::kFalse);
  EXPECT_EQ(CodeOf(copy), kind().defaultCode) << "the copy did not survive its original";
  EXPECT_EQ(copy->Release(), 0u);
  EXPECT_EQ(CanUnloadNow(), hr::kOk);
}

INSTANTIATE_TEST_SUITE_P(Modules, ExtensionObjectTest, ::testing::Values(kPinmark, kTwinflip), ModuleName);

}  // namespace
}  // namespace orvel::frame_test
