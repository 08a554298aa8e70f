// What OrvelTwinflip supplies to the shared frame.
#include "frame/module_definition.h"
#include "mirror/twinflip.h"

namespace orvel::frame {

const GUID kModuleClassId = mirror::kTwinflipClassId;

IClassFactory* NewModuleFactory() { return new mirror::TwinflipClassFactory(); }

}  // namespace orvel::frame
