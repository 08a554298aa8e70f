#include "tests/frame/module_fixture.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace orvel {

void PrintTo(const GUID& id, std::ostream* out) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08" PRIX32 "-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", id.data1,
                static_cast<unsigned>(id.data2), static_cast<unsigned>(id.data3), id.data4[0], id.data4[1],
                id.data4[2], id.data4[3], id.data4[4], id.data4[5], id.data4[6], id.data4[7]);
  *out << text;
}

}  // namespace orvel

namespace orvel::frame_test {

const ModuleKind kPinmark = {
    "Pinmark", host::PinmarkModulePath, kPinmarkClassId, kTwinflipClassId,
    FourCharCode("HMEM"), "HMEM", FourCharCode("HLPA"), 4,
};
const ModuleKind kTwinflip = {
    "Twinflip", host::TwinflipModulePath, kTwinflipClassId, kPinmarkClassId,
    FourCharCode("SXAX"), "SXAX", FourCharCode("SXAZ"), 5,
};

std::string ModuleName(const ::testing::TestParamInfo<ModuleKind>& info) { return info.param.name; }

HostTally Tally(const host::TestHostServices& services) {
  return HostTally{services.allocateCalls(), services.freeCalls(), services.allocator().liveBlocks(),
                   services.queriedIds().size(), services.hostValueCalls()};
}

void PrintTo(const HostTally& tally, std::ostream* out) {
  *out << "{allocations " << tally.allocations << ", frees " << tally.frees << ", live blocks " << tally.liveBlocks
       << ", queries " << tally.queries << ", host value calls " << tally.hostValueCalls << "}";
}

OptionCode CodeOf(I3DExSceneOperation8* object) {
  OptionCode code;
  std::memcpy(&code, object->GetOperationData(), sizeof code);
  return code;
}

void SetCode(I3DExSceneOperation8* object, OptionCode code) {
  std::memcpy(object->GetOperationData(), &code, sizeof code);
}

uint8_t KeepTranslationOf(I3DExSceneOperation8* object) {
  return static_cast<const uint8_t*>(object->GetOperationData())[4];
}

void SetKeepTranslation(I3DExSceneOperation8* object, uint8_t keep) {
  static_cast<uint8_t*>(object->GetOperationData())[4] = keep;
}

std::ptrdiff_t DataOffset(I3DExSceneOperation8* object) {
  return static_cast<const char*>(object->GetOperationData()) - reinterpret_cast<const char*>(object);
}

void ModuleTest::SetUp() {
  ASSERT_NO_FATAL_FAILURE(Load());
  ASSERT_EQ(library_->InitRDCom(&services_), hr::kOk);
}

void ModuleTest::TearDown() {
  if (library_ != nullptr) {
    EXPECT_EQ(CanUnloadNow(), hr::kOk) << "an object or a server lock outlived the test";
    Unload();
  }
  EXPECT_EQ(services_.faults(), std::vector<std::string>{});
  EXPECT_EQ(scene_.faults(), std::vector<std::string>{});
  EXPECT_EQ(services_.allocator().LeakReport(), "");
  EXPECT_EQ(services_.selfReferenceCalls(), 0) << "the module counted references on HostServices";
}

void ModuleTest::Load() {
  library_.reset();
  std::string error;
  library_ = host::ModuleLibrary::Open(kind().path(), &error);
  ASSERT_NE(library_, nullptr) << error;
}

IClassFactory* ModuleTest::NewFactory() {
  void* out = kUntouched;
  const HRESULT result = GetClassObject(kind().classId, kIdClassFactory, &out);
  EXPECT_EQ(result, hr::kOk) << "DllGetClassObject";
  return result == hr::kOk ? static_cast<IClassFactory*>(out) : nullptr;
}

I3DExSceneOperation8* ModuleTest::NewObject() {
  IClassFactory* factory = NewFactory();
  if (factory == nullptr) return nullptr;
  void* out = kUntouched;
  const HRESULT result = factory->CreateInstance(nullptr, &kIdExtension, &out);
  factory->Release();
  EXPECT_EQ(result, hr::kOk) << "CreateInstance";
  return result == hr::kOk ? static_cast<I3DExSceneOperation8*>(out) : nullptr;
}

}  // namespace orvel::frame_test
