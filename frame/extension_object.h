// The scene-operation extension object, common to both modules. A module
// derives its one extension class from this template, gives it an
// OperationData block and the module defaults it starts from, and writes the
// body of Execute; everything else in the table of 15 positions is here.
//
//   class Pinmark final : public ExtensionObject<Pinmark, PinmarkData> {
//    public:
//     static PinmarkData Defaults();
//     bool ORVEL_STDCALL Execute(uint32_t, SceneNode*, uint32_t, uint32_t, uint32_t) override;
//   };
//
// Layout, as the host sees it: the table pointer, the reference count, then
// the OperationData block that GetOperationData hands out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/extension_interfaces.h"
#include "frame/host_binding.h"
#include "frame/module_counters.h"

namespace orvel::frame {

// Answered by GetExchangeValue; the host's own constant.
inline constexpr uint32_t kExchangeValue = 150;

template <typename Derived, typename Data>
class ExtensionObject : public I3DExSceneOperation8 {
 public:
  // Lives in host memory. Being noexcept, a null block skips construction.
  static void* operator new(std::size_t bytes) noexcept { return HostAlloc(static_cast<uint32_t>(bytes)); }
  static void operator delete(void* block) noexcept { HostFree(block); }

  HRESULT ORVEL_STDCALL QueryInterface(const GUID* iid, void** out) override {
    if (out == nullptr) return hr::kPointer;
    *out = nullptr;
    if (iid == nullptr || !AnswersInterface(*iid)) return hr::kNoInterface;
    *out = static_cast<I3DExSceneOperation8*>(this);
    AddRef();
    return hr::kOk;
  }

  uint32_t ORVEL_STDCALL AddRef() override { return static_cast<uint32_t>(++references_); }

  uint32_t ORVEL_STDCALL Release() override {
    const int32_t remaining = --references_;
    if (remaining == 0) delete static_cast<Derived*>(this);
    return static_cast<uint32_t>(remaining);
  }

  // Rebinds the whole module, not only this object.
  HRESULT ORVEL_STDCALL Initialize(HostServices* services) override {
    BindHost(services);
    return hr::kOk;
  }

  I3DExtension* ORVEL_STDCALL Clone() override {
    Derived* copy = new Derived();
    if (copy == nullptr) return nullptr;
    copy->AddRef();
    copy->data_ = data_;
    ++ObjectCount;
    return copy;
  }

  uint32_t ORVEL_STDCALL GetExchangeState() override { return 0; }
  void* ORVEL_STDCALL GetOperationData() override { return &data_; }
  uint32_t ORVEL_STDCALL GetExchangeContext() override { return 0; }
  HRESULT ORVEL_STDCALL RunExchange(uint32_t) override { return hr::kNotImplemented; }
  uint32_t ORVEL_STDCALL GetExchangeValue() override { return kExchangeValue; }

  uint32_t ORVEL_STDCALL PrepareExecute(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) override { return 0; }

  uint32_t ORVEL_STDCALL GetExecuteState(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                                         uint8_t* state) override {
    if (state != nullptr) *state = 0;
    return 0;
  }

  bool ORVEL_STDCALL ExecuteSecondary(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) override { return false; }
  bool ORVEL_STDCALL ExecuteTertiary(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) override { return false; }

 protected:
  ExtensionObject() : data_(Derived::Defaults()) {}
  // Only Release reaches this, through the derived class.
  ~ExtensionObject() { --ObjectCount; }

  // Declared in the order the host relies on: count first, then the block.
  int32_t references_ = 0;
  Data data_;

 private:
  static bool AnswersInterface(const GUID& iid) {
    return SameId(iid, kIidUnknown) || SameId(iid, kIidExtension) || SameId(iid, kIidExDataExchanger) ||
           SameId(iid, kIidExSceneOperation8);
  }
};

}  // namespace orvel::frame
