// What each module supplies to the shared frame: its class id and a way to
// make its class factory. Everything else about the exports is the frame's.
#pragma once

#include "frame/extension_interfaces.h"

namespace orvel::frame {

extern const GUID kModuleClassId;

// A fresh factory with reference count 0, or null when the host has no memory.
IClassFactory* NewModuleFactory();

}  // namespace orvel::frame
