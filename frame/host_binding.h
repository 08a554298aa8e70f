// The module's binding to the host's services, and the module's only source
// of memory. Everything here is plain module-wide data: it holds its initial
// values (null, zero) from the moment the library is loaded, and it is
// touched from the host's one calling thread at a time.
#pragma once

#include <cstdint>

#include "frame/host_interfaces.h"

namespace orvel::frame {

// Held without a reference: the host keeps it alive while the module is loaded.
extern HostServices* BoundServices;
// The five interfaces asked for at the latest binding, with the references
// the host handed over. Nothing in the modules uses them; they are kept for
// the module's lifetime and never released.
extern IUnknown* HostServiceSlots[5];
extern uint32_t HostValue;

// Binds the module to `services`; null leaves the binding as it was.
void BindHost(HostServices* services);
// Forgets the binding. Runs when the module is unloaded.
void ClearBinding();

// Memory from the bound host; null while unbound or when the host refuses.
void* HostAlloc(uint32_t bytes);
// Gives a block back to whichever host is bound now; a no-op while unbound.
void HostFree(void* block);

}  // namespace orvel::frame
