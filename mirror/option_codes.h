// The option codes of OrvelTwinflip: which axis the copy is mirrored along.
#pragma once

#include "frame/abi.h"

namespace orvel::mirror {

inline constexpr OptionCode kMirrorX = FourCharCode("SXAX");
inline constexpr OptionCode kMirrorY = FourCharCode("SXAY");
inline constexpr OptionCode kMirrorZ = FourCharCode("SXAZ");

}  // namespace orvel::mirror
