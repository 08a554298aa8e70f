// The class factory: its own interface lookup and reference count, and
// CreateInstance with every combination of outer object and interface id.
#include <cstddef>
#include <iterator>

#include "tests/frame/module_fixture.h"

namespace orvel::frame_test {
namespace {

class FactoryTest : public ModuleTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ModuleTest::SetUp());
    factory_ = NewFactory();
    ASSERT_NE(factory_, nullptr);
  }
  void TearDown() override {
    if (factory_ != nullptr) {
      EXPECT_EQ(factory_->Release(), 0u);
    }
    ModuleTest::TearDown();
  }

  IClassFactory* factory_ = nullptr;
};

TEST_P(FactoryTest, QueryInterfaceAnswersIUnknownAndIClassFactoryOnly) {
  struct Case {
    GUID iid;
    bool answered;
  } const cases[] = {
      {kIdUnknown, true},          {kIdClassFactory, true},   {kIdExtension, false},
      {kIdDataExchanger, false},   {kIdSceneOperation, false}, {kIdSceneNode, false},
      {NearMiss(kIdUnknown), false}, {NearMiss(kIdClassFactory), false},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(::testing::Message() << "case " << i << ": " << ::testing::PrintToString(cases[i].iid));
    void* out = kUntouched;
    if (cases[i].answered) {
      EXPECT_EQ(factory_->QueryInterface(&cases[i].iid, &out), hr::kOk);
      EXPECT_EQ(out, static_cast<void*>(factory_));
      EXPECT_REF(factory_, 2);
      factory_->Release();
    } else {
      EXPECT_EQ(factory_->QueryInterface(&cases[i].iid, &out), hr::kNoInterface);
      EXPECT_EQ(out, nullptr);
      EXPECT_REF(factory_, 1);
    }
  }
  EXPECT_EQ(services_.allocator().liveBlocks(), 1u);
}

TEST_P(FactoryTest, AddRefAndReleaseReturnTheNewCountAndTheLastReleaseFreesTheFactory) {
  EXPECT_EQ(factory_->AddRef(), 2u);
  EXPECT_EQ(factory_->AddRef(), 3u);
  EXPECT_EQ(factory_->Release(), 2u);
  EXPECT_EQ(factory_->Release(), 1u);
  const uint64_t frees = services_.freeCalls();
  EXPECT_EQ(factory_->Release(), 0u);
  factory_ = nullptr;
  EXPECT_EQ(services_.freeCalls(), frees + 1);
  EXPECT_EQ(services_.allocator().liveBlocks(), 0u);
}

TEST_P(FactoryTest, CreateInstanceAcceptsIUnknownAndTheExtensionIdOnly) {
  // A strict node of the scene stands for the outer object: any call the
  // module made on it would show in the scene's log.
  host::TestNode& outerNode = scene_.Add("outer");
  IUnknown* const outer = static_cast<SceneNode*>(&outerNode);
  struct Case {
    const char* what;
    bool withOuter;
    GUID iid;
    HRESULT expected;
  } const cases[] = {
      {"IUnknown", false, kIdUnknown, hr::kOk},
      {"extension id", false, kIdExtension, hr::kOk},
      // Accepted, yet made standalone: the outer object is not aggregated.
      {"outer object, IUnknown", true, kIdUnknown, hr::kOk},
      {"outer object, extension id", true, kIdExtension, hr::kNoInterface},
      {"IClassFactory", false, kIdClassFactory, hr::kNoInterface},
      // The object answers these two, the factory does not hand them out.
      {"{B295B680-...}", false, kIdDataExchanger, hr::kNoInterface},
      {"{B0210D00-...}", false, kIdSceneOperation, hr::kNoInterface},
      {"outer object, {B295B680-...}", true, kIdDataExchanger, hr::kNoInterface},
      {"extension id off in its last byte", false, NearMiss(kIdExtension), hr::kNoInterface},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(::testing::Message() << "case " << i << ": " << c.what);
    const HostTally before = Tally(services_);
    void* out = kUntouched;
    ASSERT_EQ(factory_->CreateInstance(c.withOuter ? outer : nullptr, &c.iid, &out), c.expected);
    if (c.expected != hr::kOk) {
      EXPECT_EQ(out, nullptr);
      EXPECT_EQ(Tally(services_), before) << "a refused CreateInstance reached the host";
      EXPECT_EQ(CanUnloadNow(), hr::kOk) << "a refused CreateInstance moved the object count";
      continue;
    }
    ASSERT_NE(out, nullptr);
    auto* object = static_cast<I3DExSceneOperation8*>(out);
    EXPECT_REF(object, 1);
    EXPECT_EQ(services_.allocator().liveBlocks(), before.liveBlocks + 1);
    EXPECT_EQ(CanUnloadNow(), hr::kFalse);
    void* self = kUntouched;
    EXPECT_EQ(object->QueryInterface(&kIdUnknown, &self), hr::kOk);
    EXPECT_EQ(self, out) << "the caller must receive the object itself";
    object->Release();
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(services_.allocator().liveBlocks(), before.liveBlocks);
    EXPECT_EQ(CanUnloadNow(), hr::kOk);
  }
  EXPECT_EQ(scene_.log().DescribeAll(), "") << "the outer object was used";
}

TEST_P(FactoryTest, ANullOutPointerAnswersEPointerAndMakesNothing) {
  for (const GUID& iid : {kIdUnknown, kIdExtension, kIdClassFactory}) {
    SCOPED_TRACE(::testing::PrintToString(iid));
    const HostTally before = Tally(services_);
    EXPECT_EQ(factory_->CreateInstance(nullptr, &iid, nullptr), hr::kPointer);
    EXPECT_EQ(Tally(services_), before);
    EXPECT_EQ(CanUnloadNow(), hr::kOk);
  }
  for (const GUID& iid : {kIdUnknown, kIdClassFactory}) {
    EXPECT_EQ(factory_->QueryInterface(&iid, nullptr), hr::kPointer);
  }
  EXPECT_REF(factory_, 1);
}

INSTANTIATE_TEST_SUITE_P(Modules, FactoryTest, ::testing::Values(kPinmark, kTwinflip), ModuleName);

}  // namespace
}  // namespace orvel::frame_test
