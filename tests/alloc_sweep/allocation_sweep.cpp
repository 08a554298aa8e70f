#include "tests/alloc_sweep/allocation_sweep.h"

#include <cstring>

namespace orvel::sweep_test {

namespace {

constexpr GUID kPinmarkClassId = {0x5ED17F01, 0x8588, 0x11D2, {0xB7, 0xA5, 0xF3, 0x58, 0x13, 0xA8, 0xBA, 0x80}};
constexpr GUID kTwinflipClassId = {0xEB214160, 0x833B, 0x11D2, {0xB0, 0x92, 0x00, 0x00, 0xF4, 0x3A, 0xF5, 0x27}};

// What an out pointer holds before a call, to tell "set to null" from "left alone".
void* const kUntouched = reinterpret_cast<void*>(static_cast<uintptr_t>(0x5e7e5e70u));

void RunOnce(Module module, uint64_t refuse, const Scenario& scenario, uint64_t* requests) {
  SweepRun run(module, refuse);
  ASSERT_TRUE(run.loaded());
  scenario(run);
  if (requests != nullptr) *requests = run.services().allocator().requests();
  if (refuse != 0) {
    EXPECT_EQ(run.services().allocator().refusals(), 1u) << "request " << refuse << " was never made";
  }
  EXPECT_EQ(run.library().CanUnloadNow(), hr::kOk) << "objects or locks left after everything was released";
  EXPECT_EQ(run.services().allocator().liveBlocks(), 0u) << run.services().allocator().LeakReport();
  for (const std::string& fault : run.services().faults()) ADD_FAILURE() << "host services: " << fault;
  for (const std::string& fault : run.scene().faults()) ADD_FAILURE() << "scene: " << fault;
}

}  // namespace

std::string ModuleName(Module module) { return module == Module::kPinmark ? "Pinmark" : "Twinflip"; }

const GUID& ClassIdOf(Module module) { return module == Module::kPinmark ? kPinmarkClassId : kTwinflipClassId; }

SweepRun::SweepRun(Module module, uint64_t refuse) : module_(module) {
  std::string error;
  library_ = host::ModuleLibrary::Open(
      module == Module::kPinmark ? host::PinmarkModulePath() : host::TwinflipModulePath(), &error);
  if (library_ == nullptr) {
    ADD_FAILURE() << error;
    return;
  }
  EXPECT_EQ(library_->InitRDCom(&services_), hr::kOk);
  if (refuse != 0) services_.allocator().RefuseNth(refuse);
}

SweepRun::~SweepRun() = default;

bool SweepRun::RefusedDuring(const std::function<void()>& call) {
  const uint64_t before = services_.allocator().refusals();
  call();
  return services_.allocator().refusals() != before;
}

IClassFactory* SweepRun::GetFactory() {
  void* out = kUntouched;
  HRESULT result = hr::kFail;
  const bool refused = RefusedDuring([&] { result = library_->GetClassObject(&ClassIdOf(module_), &kIidClassFactory, &out); });
  if (refused) {
    EXPECT_EQ(result, hr::kOutOfMemory) << "DllGetClassObject without memory";
    EXPECT_EQ(out, nullptr) << "DllGetClassObject without memory stores null";
    return nullptr;
  }
  EXPECT_EQ(result, hr::kOk);
  EXPECT_NE(out, nullptr);
  return result == hr::kOk ? static_cast<IClassFactory*>(out) : nullptr;
}

I3DExSceneOperation8* SweepRun::Create(IClassFactory* factory, const GUID& iid) {
  void* out = kUntouched;
  HRESULT result = hr::kFail;
  const bool refused = RefusedDuring([&] { result = factory->CreateInstance(nullptr, &iid, &out); });
  if (refused) {
    EXPECT_EQ(result, hr::kOutOfMemory) << "CreateInstance without memory";
    EXPECT_EQ(out, nullptr) << "CreateInstance without memory stores null";
    ExpectUnloadAnswer();
    return nullptr;
  }
  EXPECT_EQ(result, hr::kOk);
  if (result != hr::kOk || out == nullptr) return nullptr;
  ++liveObjects_;
  ExpectUnloadAnswer();
  return static_cast<I3DExSceneOperation8*>(out);
}

I3DExSceneOperation8* SweepRun::Clone(I3DExSceneOperation8* object) {
  I3DExtension* copy = nullptr;
  const bool refused = RefusedDuring([&] { copy = object->Clone(); });
  if (refused) {
    EXPECT_EQ(copy, nullptr) << "Clone without memory answers null";
    ExpectUnloadAnswer();
    return nullptr;
  }
  EXPECT_NE(copy, nullptr);
  if (copy == nullptr) return nullptr;
  ++liveObjects_;
  ExpectUnloadAnswer();
  return static_cast<I3DExSceneOperation8*>(copy);
}

void SweepRun::ExpectUnloadAnswer() const {
  EXPECT_EQ(library_->CanUnloadNow(), liveObjects_ == 0 && locks_ == 0 ? hr::kOk : hr::kFalse)
      << liveObjects_ << " extension objects alive, lock balance " << locks_;
}

void SweepRun::LockServer(IClassFactory* factory, bool lock) {
  EXPECT_EQ(factory->LockServer(lock ? 1 : 0), hr::kOk);
  locks_ += lock ? 1 : -1;
  ExpectUnloadAnswer();
}

void SweepRun::Released(I3DExSceneOperation8* object) {
  EXPECT_EQ(object->Release(), 0u);
  --liveObjects_;
  ExpectUnloadAnswer();
}

void SweepRun::SetOption(I3DExSceneOperation8* object, OptionCode code, uint8_t keepTranslation) const {
  auto* data = static_cast<uint8_t*>(object->GetOperationData());
  std::memcpy(data, &code, sizeof code);
  // Only the mirror's block has a byte at offset 4.
  if (module_ == Module::kTwinflip) data[4] = keepTranslation;
}

uint64_t SweepAllocations(Module module, const Scenario& scenario) {
  uint64_t count = 0;
  {
    SCOPED_TRACE(ModuleName(module) + ", every request granted");
    RunOnce(module, 0, scenario, &count);
  }
  for (uint64_t k = 1; k <= count; ++k) {
    SCOPED_TRACE(ModuleName(module) + ", request " + std::to_string(k) + " of " + std::to_string(count) + " refused");
    RunOnce(module, k, scenario, nullptr);
  }
  return count;
}

}  // namespace orvel::sweep_test
