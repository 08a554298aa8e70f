// The three entry points the host finds by name, and the module counters.
#include "frame/extension_interfaces.h"
#include "frame/host_binding.h"
#include "frame/module_counters.h"
#include "frame/module_definition.h"

namespace orvel::frame {
int32_t ObjectCount = 0;
int32_t LockCount = 0;
}  // namespace orvel::frame

using orvel::GUID;
using orvel::HRESULT;
using orvel::HostServices;
namespace frame = orvel::frame;
namespace hr = orvel::hr;

extern "C" {

ORVEL_EXPORT HRESULT ORVEL_STDCALL DllInitRDCom(HostServices* services) {
  frame::BindHost(services);
  return hr::kOk;
}

ORVEL_EXPORT HRESULT ORVEL_STDCALL DllGetClassObject(const GUID* clsid, const GUID* iid, void** out) {
  // The class id is judged first, so a call wrong in both answers E_FAIL.
  if (clsid == nullptr || !orvel::SameId(*clsid, frame::kModuleClassId)) return hr::kFail;
  if (out == nullptr) return hr::kPointer;
  if (iid == nullptr || !(orvel::SameId(*iid, orvel::kIidUnknown) || orvel::SameId(*iid, orvel::kIidClassFactory))) {
    return hr::kNoInterface;
  }
  orvel::IClassFactory* factory = frame::NewModuleFactory();
  *out = factory;
  if (factory == nullptr) return hr::kOutOfMemory;
  factory->AddRef();
  return hr::kOk;
}

ORVEL_EXPORT HRESULT ORVEL_STDCALL DllCanUnloadNow() {
  return frame::ObjectCount == 0 && frame::LockCount == 0 ? hr::kOk : hr::kFalse;
}

}  // extern "C"
