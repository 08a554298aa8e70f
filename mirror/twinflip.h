// Twinflip, the extension class of OrvelTwinflip.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/class_factory.h"
#include "frame/extension_object.h"
#include "mirror/option_codes.h"

namespace orvel::mirror {

// {EB214160-833B-11D2-B092-0000F43AF527}
inline constexpr GUID kTwinflipClassId = {0xEB214160, 0x833B, 0x11D2, {0xB0, 0x92, 0x00, 0x00, 0xF4, 0x3A, 0xF5, 0x27}};

// The block the host reads and writes in place.
struct TwinflipData {
  OptionCode optionCode;
  // Zero is clear; any other value is set.
  uint8_t keepTranslation;
};
static_assert(offsetof(TwinflipData, keepTranslation) == 4);

class Twinflip final : public frame::ExtensionObject<Twinflip, TwinflipData> {
 public:
  static TwinflipData Defaults();
  bool ORVEL_STDCALL Execute(uint32_t, SceneNode* node, uint32_t, uint32_t, uint32_t) override;
};

using TwinflipClassFactory = frame::ClassFactory<Twinflip>;

#if defined(__i386__)
static_assert(sizeof(Twinflip) == 16, "table pointer, reference count, OperationData");
static_assert(sizeof(TwinflipClassFactory) == 8, "table pointer, reference count");
#endif

}  // namespace orvel::mirror
