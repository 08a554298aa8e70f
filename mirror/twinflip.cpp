#include "mirror/twinflip.h"

namespace orvel::mirror {

namespace {
// The settings a new object starts with; follow the last successful run.
OptionCode DefaultOptionCode = kMirrorX;
uint8_t DefaultKeepTranslation = 1;
}  // namespace

TwinflipData Twinflip::Defaults() { return TwinflipData{DefaultOptionCode, DefaultKeepTranslation}; }

bool ORVEL_STDCALL Twinflip::Execute(uint32_t, SceneNode*, uint32_t, uint32_t, uint32_t) { return false; }

}  // namespace orvel::mirror
