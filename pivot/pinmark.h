// Pinmark, the extension class of OrvelPinmark.
#pragma once

#include <cstdint>

#include "frame/class_factory.h"
#include "frame/extension_object.h"

namespace orvel::pivot {

// {5ED17F01-8588-11D2-B7A5-F35813A8BA80}
inline constexpr GUID kPinmarkClassId = {0x5ED17F01, 0x8588, 0x11D2, {0xB7, 0xA5, 0xF3, 0x58, 0x13, 0xA8, 0xBA, 0x80}};

inline constexpr OptionCode kMemorize = FourCharCode("HMEM");
inline constexpr OptionCode kPlace = FourCharCode("HLPA");

// The block the host reads and writes in place.
struct PinmarkData {
  OptionCode optionCode;
};
static_assert(sizeof(PinmarkData) == 4);

class Pinmark final : public frame::ExtensionObject<Pinmark, PinmarkData> {
 public:
  static PinmarkData Defaults();
  bool ORVEL_STDCALL Execute(uint32_t, SceneNode* node, uint32_t, uint32_t, uint32_t) override;
};

using PinmarkClassFactory = frame::ClassFactory<Pinmark>;

#if defined(__i386__)
static_assert(sizeof(Pinmark) == 12, "table pointer, reference count, OperationData");
static_assert(sizeof(PinmarkClassFactory) == 8, "table pointer, reference count");
#endif

}  // namespace orvel::pivot
