#include "tools/orvel-scene/operation.h"

#include <cstring>

namespace orvel::scene_tool {

namespace {
constexpr std::size_t kKeepOffset = 4;
}

void Operation::Release() {
  if (object_ != nullptr) object_->Release();
  object_ = nullptr;
}

OptionCode Operation::option() const {
  OptionCode code = 0;
  std::memcpy(&code, object_->GetOperationData(), sizeof code);
  return code;
}

void Operation::SetOption(OptionCode code) { std::memcpy(object_->GetOperationData(), &code, sizeof code); }

uint8_t Operation::keep() const { return static_cast<const uint8_t*>(object_->GetOperationData())[kKeepOffset]; }

void Operation::SetKeep(uint8_t keep) { static_cast<uint8_t*>(object_->GetOperationData())[kKeepOffset] = keep; }

}  // namespace orvel::scene_tool
