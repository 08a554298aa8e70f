// The libFuzzer target: every input is one host session against the module
// this binary was built for (ORVEL_SESSION_TWINFLIP chooses the mirror).
#include <cstddef>
#include <cstdint>

#include "fuzz/session.h"

namespace {
constexpr orvel::fuzz::Deliverable kDeliverable =
#if ORVEL_SESSION_TWINFLIP
    orvel::fuzz::Deliverable::kTwinflip;
#else
    orvel::fuzz::Deliverable::kPinmark;
#endif
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Loaded before the first input, so that its coverage counters are known
  // to the fuzzer from the start.
  orvel::fuzz::ModuleUnderTest::Get(kDeliverable);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  orvel::fuzz::RunSession(kDeliverable, data, size);
  return 0;
}
