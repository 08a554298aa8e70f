#include "mirror/twinflip_defaults.h"

#include "mirror/option_codes.h"

namespace orvel::mirror {

OptionCode DefaultOptionCode = kMirrorX;
uint8_t DefaultKeepTranslation = 1;

}  // namespace orvel::mirror
