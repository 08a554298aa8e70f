// The settings a new Twinflip starts with, one pair for the loaded module.
// Plain data holding "SXAX" and 1 from load; only a run of Execute that
// returns 1 rewrites them.
#pragma once

#include <cstdint>

#include "frame/abi.h"

namespace orvel::mirror {

extern OptionCode DefaultOptionCode;
// 1 or 0, never another value.
extern uint8_t DefaultKeepTranslation;

}  // namespace orvel::mirror
