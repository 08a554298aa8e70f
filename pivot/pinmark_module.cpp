// What OrvelPinmark supplies to the shared frame.
#include "frame/module_definition.h"
#include "pivot/pinmark.h"

namespace orvel::frame {

const GUID kModuleClassId = pivot::kPinmarkClassId;

IClassFactory* NewModuleFactory() { return new pivot::PinmarkClassFactory(); }

}  // namespace orvel::frame
