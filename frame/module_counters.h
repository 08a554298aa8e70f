// The two counters that decide whether the host may unload the module.
#pragma once

#include <cstdint>

namespace orvel::frame {

// Live extension objects: raised by whoever creates one, lowered as it dies.
extern int32_t ObjectCount;
// Balance of LockServer calls; may go negative.
extern int32_t LockCount;

}  // namespace orvel::frame
