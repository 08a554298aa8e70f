#include "host/test_host_services.h"

#include <cstdio>

namespace orvel::host {

HRESULT ORVEL_STDCALL HostServiceObject::QueryInterface(const GUID*, void** out) {
  if (out != nullptr) *out = nullptr;
  return hr::kNoInterface;
}

TestHostServices::TestHostServices(uint32_t hostValue) : hostValue_(hostValue) {}

HRESULT ORVEL_STDCALL TestHostServices::QueryInterface(const GUID* iid, void** out) {
  queriedIds_.push_back(*iid);
  *out = nullptr;
  for (int slot = 0; slot < 5; ++slot) {
    if (SameId(*iid, kHostServiceIds[slot])) {
      if (refused_[slot]) return hr::kNoInterface;
      services_[slot].AddRef();
      *out = &services_[slot];
      return hr::kOk;
    }
  }
  return hr::kNoInterface;
}

uint32_t ORVEL_STDCALL TestHostServices::AddRef() {
  ++selfReferenceCalls_;
  return 1;
}

uint32_t ORVEL_STDCALL TestHostServices::Release() {
  ++selfReferenceCalls_;
  return 1;
}

uint32_t ORVEL_STDCALL TestHostServices::GetHostValue() {
  ++hostValueCalls_;
  return hostValue_;
}

void* ORVEL_STDCALL TestHostServices::AllocateMemory(uint32_t bytes) { return allocator_.Allocate(bytes); }

void ORVEL_STDCALL TestHostServices::FreeMemory(void* block) {
  ++freeCalls_;
  allocator_.Free(block);
}

HRESULT TestHostServices::Unexpected(int position) {
  char line[64];
  std::snprintf(line, sizeof line, "unexpected call to HostServices position %d", position);
  unexpected_.emplace_back(line);
  return hr::kNotImplemented;
}

std::vector<std::string> TestHostServices::faults() const {
  std::vector<std::string> all = unexpected_;
  all.insert(all.end(), allocator_.faults().begin(), allocator_.faults().end());
  return all;
}

}  // namespace orvel::host
