#include "host/held_extension.h"

#include <cstddef>
#include <cstring>

namespace orvel::host {

namespace {
constexpr std::size_t kKeepOffset = 4;
}

void HeldExtension::Release() {
  if (object_ != nullptr) object_->Release();
  object_ = nullptr;
}

OptionCode HeldExtension::option() const {
  OptionCode code = 0;
  std::memcpy(&code, object_->GetOperationData(), sizeof code);
  return code;
}

void HeldExtension::SetOption(OptionCode code) { std::memcpy(object_->GetOperationData(), &code, sizeof code); }

uint8_t HeldExtension::keep() const { return static_cast<const uint8_t*>(object_->GetOperationData())[kKeepOffset]; }

void HeldExtension::SetKeep(uint8_t keep) { static_cast<uint8_t*>(object_->GetOperationData())[kKeepOffset] = keep; }

}  // namespace orvel::host
