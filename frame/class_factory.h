// The class factory the host obtains through DllGetClassObject. Each call
// there makes a fresh one; it owns itself through its reference count and
// creates the module's one extension class.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/extension_interfaces.h"
#include "frame/host_binding.h"
#include "frame/module_counters.h"

namespace orvel::frame {

template <typename Extension>
class ClassFactory final : public IClassFactory {
 public:
  // Lives in host memory. Being noexcept, a null block skips construction.
  static void* operator new(std::size_t bytes) noexcept { return HostAlloc(static_cast<uint32_t>(bytes)); }
  static void operator delete(void* block) noexcept { HostFree(block); }

  HRESULT ORVEL_STDCALL QueryInterface(const GUID* iid, void** out) override {
    if (out == nullptr) return hr::kPointer;
    *out = nullptr;
    if (iid == nullptr || !(SameId(*iid, kIidUnknown) || SameId(*iid, kIidClassFactory))) {
      return hr::kNoInterface;
    }
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return hr::kOk;
  }

  uint32_t ORVEL_STDCALL AddRef() override { return static_cast<uint32_t>(++references_); }

  uint32_t ORVEL_STDCALL Release() override {
    const int32_t remaining = --references_;
    if (remaining == 0) delete this;
    return static_cast<uint32_t>(remaining);
  }

  HRESULT ORVEL_STDCALL CreateInstance(IUnknown* outer, const GUID* iid, void** out) override {
    if (out == nullptr) return hr::kPointer;
    *out = nullptr;
    if (iid == nullptr) return hr::kNoInterface;
    if (outer != nullptr && !SameId(*iid, kIidUnknown)) return hr::kNoInterface;
    if (!SameId(*iid, kIidUnknown) && !SameId(*iid, kIidExtension)) return hr::kNoInterface;
    // An outer object is accepted for IUnknown but not aggregated: the
    // caller gets a standalone object either way.
    Extension* object = new Extension();
    if (object == nullptr) return hr::kOutOfMemory;
    object->QueryInterface(&kIidExtension, out);
    ++ObjectCount;
    return hr::kOk;
  }

  HRESULT ORVEL_STDCALL LockServer(int32_t lock) override {
    if (lock != 0) {
      ++LockCount;
    } else {
      --LockCount;
    }
    return hr::kOk;
  }

 private:
  int32_t references_ = 0;
};

}  // namespace orvel::frame
