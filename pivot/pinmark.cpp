#include "pivot/pinmark.h"

namespace orvel::pivot {

namespace {
// The option a new object starts with; follows the last run on a node.
OptionCode DefaultOptionCode = kMemorize;
}  // namespace

PinmarkData Pinmark::Defaults() { return PinmarkData{DefaultOptionCode}; }

bool ORVEL_STDCALL Pinmark::Execute(uint32_t, SceneNode* node, uint32_t, uint32_t, uint32_t) {
  return node != nullptr;
}

}  // namespace orvel::pivot
