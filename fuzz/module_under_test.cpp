#include "fuzz/module_under_test.h"

#include <cstring>
#include <string>

#include "fuzz/invariant.h"
#include "fuzz/session_input.h"
#include "host/scene.h"
#include "host/test_host_services.h"

namespace orvel::fuzz {

namespace {
constexpr const char* kStart = "the module returns to the session start state";
}  // namespace

ModuleUnderTest& ModuleUnderTest::Get(Deliverable deliverable) {
  // Never destroyed: the module stays loaded until the process ends.
  static ModuleUnderTest* modules[2] = {};
  ModuleUnderTest*& module = modules[static_cast<int>(deliverable)];
  if (module == nullptr) module = new ModuleUnderTest(deliverable);
  return *module;
}

ModuleUnderTest::ModuleUnderTest(Deliverable deliverable) : deliverable_(deliverable) {
  const std::string path = mirror() ? host::TwinflipModulePath() : host::PinmarkModulePath();
  std::string error;
  library_ = host::ModuleLibrary::Open(path, &error);
  if (library_ == nullptr) Violated("the module loads", error);

  // Unbound, the module has no memory to make anything with.
  void* out = &out;
  if (library_->GetClassObject(&classId(), &KnownId(kIdClassFactory), &out) != hr::kOutOfMemory || out != nullptr) {
    Violated(invariant::kAnswers, "DllGetClassObject before any binding answers E_OUTOFMEMORY with null");
  }
  if (library_->CanUnloadNow() != hr::kOk) Violated(invariant::kUnloadAnswer, "a fresh module may be unloaded");

  defaults = loadDefaults();
  // The recorded point starts recorded, at the origin, for every session
  // alike; only the first session of a process could otherwise see it unset.
  recordedPointMoved = !mirror();
  Restore();
}

const GUID& ModuleUnderTest::classId() const { return KnownId(mirror() ? kIdTwinflipClass : kIdPinmarkClass); }

Settings ModuleUnderTest::loadDefaults() const {
  return mirror() ? Settings{kMirrorX, 1} : Settings{kMemorize, 0};
}

void ModuleUnderTest::Restore() {
  if (defaults == loadDefaults() && !recordedPointMoved) return;
  // A memorize run on a node placed by the identity with its pivot at the
  // origin records the origin; a mirror run stores what it ran with.
  RunOnScratchNode(loadDefaults());
  defaults = loadDefaults();
  recordedPointMoved = false;
}

void ModuleUnderTest::RunOnScratchNode(const Settings& settings) {
  host::TestHostServices services(0x5c7a7c40u);
  host::Scene scene;
  host::TestNode& node = scene.Add("scratch");
  library_->InitRDCom(&services);

  IClassFactory* factory = nullptr;
  if (library_->GetClassObject(&classId(), &KnownId(kIdClassFactory), reinterpret_cast<void**>(&factory)) != hr::kOk) {
    Violated(kStart, "no factory for the scratch run");
  }
  void* made = nullptr;
  if (factory->CreateInstance(nullptr, &KnownId(kIdExtension), &made) != hr::kOk) Violated(kStart, "no object");
  auto* object = static_cast<I3DExSceneOperation8*>(made);
  auto* data = static_cast<uint8_t*>(object->GetOperationData());
  std::memcpy(data, &settings.code, 4);
  if (mirror()) data[4] = settings.keepTranslation;
  if (!object->Execute(0, &node, 0, 0, 0)) Violated(kStart, "the scratch run did nothing");
  object->Release();
  factory->Release();

  if (library_->CanUnloadNow() != hr::kOk) Violated(kStart, "objects left after the scratch run");
  if (services.allocator().liveBlocks() != 0 || !services.faults().empty() || !scene.faults().empty()) {
    Violated(kStart, "the scratch run left memory or faults behind");
  }
}

}  // namespace orvel::fuzz
