#include "tests/mirror/twinflip_fixture.h"

#include <cstring>
#include <string>

namespace orvel::mirror_test {

void TwinflipTest::SetUp() {
  std::string error;
  library_ = host::ModuleLibrary::Open(host::TwinflipModulePath(), &error);
  ASSERT_TRUE(library_) << error;
  ASSERT_EQ(library_->InitRDCom(&services_), hr::kOk);
  ASSERT_EQ(library_->GetClassObject(&kTwinflipClassId, &kIidClassFactory, reinterpret_cast<void**>(&factory_)),
            hr::kOk);
  ASSERT_NE(factory_, nullptr);
  object_ = NewObject();
  ASSERT_NE(object_, nullptr);
}

void TwinflipTest::TearDown() {
  for (I3DExSceneOperation8* object : objects_) {
    EXPECT_EQ(object->Release(), 0u);
  }
  objects_.clear();
  if (factory_ != nullptr) {
    EXPECT_EQ(factory_->Release(), 0u);
  }
  factory_ = nullptr;
  if (library_ == nullptr) return;
  EXPECT_EQ(library_->CanUnloadNow(), hr::kOk);
  EXPECT_EQ(services_.allocator().liveBlocks(), 0u) << services_.allocator().LeakReport();
  for (const std::string& fault : services_.faults()) {
    ADD_FAILURE() << "host services: " << fault;
  }
  for (const std::string& fault : scene_.faults()) {
    ADD_FAILURE() << "scene: " << fault;
  }
  library_.reset();
}

I3DExSceneOperation8* TwinflipTest::NewObject() {
  void* object = nullptr;
  EXPECT_EQ(factory_->CreateInstance(nullptr, &kIidExtension, &object), hr::kOk);
  if (object == nullptr) return nullptr;
  auto* operation = static_cast<I3DExSceneOperation8*>(object);
  objects_.push_back(operation);
  return operation;
}

Settings TwinflipTest::Read(I3DExSceneOperation8* object) {
  const auto* block = static_cast<const uint8_t*>(object->GetOperationData());
  Settings settings{};
  std::memcpy(&settings.code, block, 4);
  settings.keepTranslation = block[4];
  return settings;
}

void TwinflipTest::Write(I3DExSceneOperation8* object, OptionCode code, uint8_t keepTranslation) {
  auto* block = static_cast<uint8_t*>(object->GetOperationData());
  std::memcpy(block, &code, 4);
  block[4] = keepTranslation;
}

host::TestNode* TwinflipTest::CopyBeside(const host::TestNode& source) {
  const host::TestNode* parent = source.parent();
  if (parent == nullptr) return nullptr;
  const auto& list = parent->children();
  for (std::size_t i = 0; i + 1 < list.size(); ++i) {
    if (list[i] == &source) return list[i + 1]->copyOf() == &source ? list[i + 1] : nullptr;
  }
  return nullptr;
}

}  // namespace orvel::mirror_test
