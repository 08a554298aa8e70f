// Runs a host scenario once with every request for memory granted, to count
// the requests it makes, and then once for every k from 1 to that count with
// the k-th request refused. Every run starts from a freshly loaded module
// bound to a fresh recording host, so that no run sees what another left in
// the module, and ends with the same demands: the scenario has released
// everything it got, DllCanUnloadNow answers 0, the host holds no block of
// the module's, and neither the host services nor the scene saw misuse.
//
// The scenario itself checks the documented answer of each call whose
// request was refused (RefusedDuring tells which).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "frame/extension_interfaces.h"
#include "host/module_library.h"
#include "host/scene.h"
#include "host/test_host_services.h"

namespace orvel::sweep_test {

enum class Module : uint8_t { kPinmark, kTwinflip };
std::string ModuleName(Module module);
// The module's class id, as the host knows it.
const GUID& ClassIdOf(Module module);

inline constexpr OptionCode kMemorize = FourCharCode("HMEM");
inline constexpr OptionCode kPlace = FourCharCode("HLPA");
inline constexpr OptionCode kMirrorY = FourCharCode("SXAY");

// One run of a scenario: the module, its host and a scene.
class SweepRun {
 public:
  SweepRun(Module module, uint64_t refuse);
  ~SweepRun();
  SweepRun(const SweepRun&) = delete;
  SweepRun& operator=(const SweepRun&) = delete;

  bool loaded() const { return library_ != nullptr; }
  Module module() const { return module_; }
  host::TestHostServices& services() { return services_; }
  host::Scene& scene() { return scene_; }
  const host::ModuleLibrary& library() const { return *library_; }

  // Whether the host refused a request while `call` ran.
  bool RefusedDuring(const std::function<void()>& call);

  // The documented answers of the three calls that allocate, judged here:
  // null (and E_OUTOFMEMORY) exactly when the request was refused.
  IClassFactory* GetFactory();
  I3DExSceneOperation8* Create(IClassFactory* factory, const GUID& iid);
  I3DExSceneOperation8* Clone(I3DExSceneOperation8* object);

  // Live extension objects and the lock balance as this run counts them;
  // DllCanUnloadNow must agree after every call that could change them.
  void ExpectUnloadAnswer() const;
  void Released(I3DExSceneOperation8* object);
  void LockServer(IClassFactory* factory, bool lock);

  static bool Execute(I3DExSceneOperation8* object, host::TestNode* node) {
    return object->Execute(0x0badf00du, node, 1u, 2u, 3u);
  }
  void SetOption(I3DExSceneOperation8* object, OptionCode code, uint8_t keepTranslation = 1) const;

 private:
  Module module_;
  int32_t liveObjects_ = 0;
  int32_t locks_ = 0;
  host::TestHostServices services_;
  host::Scene scene_;
  // Last, so that the module is unloaded before its host goes.
  std::unique_ptr<host::ModuleLibrary> library_;
};

using Scenario = std::function<void(SweepRun&)>;

// Counts the scenario's requests, then reruns it refusing each in turn.
// Returns the count.
uint64_t SweepAllocations(Module module, const Scenario& scenario);

}  // namespace orvel::sweep_test
