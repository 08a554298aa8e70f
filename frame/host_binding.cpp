#include "frame/host_binding.h"

#include <cstdlib>

namespace orvel::frame {

HostServices* BoundServices = nullptr;
IUnknown* HostServiceSlots[5] = {};
uint32_t HostValue = 0;

namespace {
void ClearBindingAtExit() { ClearBinding(); }
}  // namespace

void BindHost(HostServices* services) {
  if (services == nullptr) return;
  // Registered anew at every binding; the platform runs the routines when
  // this library is unloaded. A refused registration is of no consequence.
  (void)std::atexit(ClearBindingAtExit);
  BoundServices = services;
  for (int slot = 0; slot < 5; ++slot) {
    services->QueryInterface(&kHostServiceIds[slot], reinterpret_cast<void**>(&HostServiceSlots[slot]));
  }
  HostValue = services->GetHostValue();
}

void ClearBinding() { BoundServices = nullptr; }

void* HostAlloc(uint32_t bytes) {
  if (BoundServices == nullptr) return nullptr;
  return BoundServices->AllocateMemory(bytes);
}

void HostFree(void* block) {
  if (BoundServices == nullptr || block == nullptr) return;
  BoundServices->FreeMemory(block);
}

}  // namespace orvel::frame
