// A HostServices object for tests and tools: a recording allocator, the five
// further interfaces a binding asks for, and a host value. Positions of the
// table that the contract leaves open are placeholders that record a fault.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/host_interfaces.h"
#include "host/recording_allocator.h"

namespace orvel::host {

// One of the five interfaces a binding asks for: a bare counted object.
class HostServiceObject final : public IUnknown {
 public:
  HRESULT ORVEL_STDCALL QueryInterface(const GUID* iid, void** out) override;
  uint32_t ORVEL_STDCALL AddRef() override { return static_cast<uint32_t>(++references); }
  uint32_t ORVEL_STDCALL Release() override { return static_cast<uint32_t>(--references); }
  int32_t references = 0;
};

class TestHostServices final : public HostServices {
 public:
  explicit TestHostServices(uint32_t hostValue = 0x0c0ffee0u);
  TestHostServices(const TestHostServices&) = delete;
  TestHostServices& operator=(const TestHostServices&) = delete;

  HRESULT ORVEL_STDCALL QueryInterface(const GUID* iid, void** out) override;
  uint32_t ORVEL_STDCALL AddRef() override;
  uint32_t ORVEL_STDCALL Release() override;
  HRESULT ORVEL_STDCALL HostSlot03() override { return Unexpected(3); }
  HRESULT ORVEL_STDCALL HostSlot04() override { return Unexpected(4); }
  HRESULT ORVEL_STDCALL HostSlot05() override { return Unexpected(5); }
  HRESULT ORVEL_STDCALL HostSlot06() override { return Unexpected(6); }
  HRESULT ORVEL_STDCALL HostSlot07() override { return Unexpected(7); }
  HRESULT ORVEL_STDCALL HostSlot08() override { return Unexpected(8); }
  HRESULT ORVEL_STDCALL HostSlot09() override { return Unexpected(9); }
  HRESULT ORVEL_STDCALL HostSlot10() override { return Unexpected(10); }
  HRESULT ORVEL_STDCALL HostSlot11() override { return Unexpected(11); }
  HRESULT ORVEL_STDCALL HostSlot12() override { return Unexpected(12); }
  HRESULT ORVEL_STDCALL HostSlot13() override { return Unexpected(13); }
  uint32_t ORVEL_STDCALL GetHostValue() override;
  void* ORVEL_STDCALL AllocateMemory(uint32_t bytes) override;
  HRESULT ORVEL_STDCALL HostSlot16() override { return Unexpected(16); }
  HRESULT ORVEL_STDCALL HostSlot17() override { return Unexpected(17); }
  void ORVEL_STDCALL FreeMemory(void* block) override;

  RecordingAllocator& allocator() { return allocator_; }
  const RecordingAllocator& allocator() const { return allocator_; }

  // The ids asked of QueryInterface, in order.
  const std::vector<GUID>& queriedIds() const { return queriedIds_; }
  // Calls of GetHostValue, AllocateMemory and FreeMemory.
  uint32_t hostValueCalls() const { return hostValueCalls_; }
  uint64_t allocateCalls() const { return allocator_.requests(); }
  uint64_t freeCalls() const { return freeCalls_; }
  // AddRef/Release on the services object itself; the modules make none.
  int32_t selfReferenceCalls() const { return selfReferenceCalls_; }

  // The object answered for kHostServiceIds[slot].
  HostServiceObject& service(int slot) { return services_[slot]; }
  // Makes QueryInterface refuse kHostServiceIds[slot] (null, E_NOINTERFACE).
  void Refuse(int slot) { refused_[slot] = true; }

  // Unexpected calls and allocator faults, one line each.
  std::vector<std::string> faults() const;

 private:
  HRESULT Unexpected(int position);

  uint32_t hostValue_;
  RecordingAllocator allocator_;
  HostServiceObject services_[5];
  bool refused_[5] = {};
  std::vector<GUID> queriedIds_;
  uint32_t hostValueCalls_ = 0;
  uint64_t freeCalls_ = 0;
  int32_t selfReferenceCalls_ = 0;
  std::vector<std::string> unexpected_;
};

}  // namespace orvel::host
