// An extension object as the host holds it: one reference, released when the
// holder goes, and the OperationData block read and written in place.
#pragma once

#include <cstdint>

#include "frame/extension_interfaces.h"

namespace orvel::host {

class HeldExtension {
 public:
  HeldExtension() = default;
  explicit HeldExtension(I3DExSceneOperation8* object) : object_(object) {}
  HeldExtension(const HeldExtension&) = delete;
  HeldExtension& operator=(const HeldExtension&) = delete;
  HeldExtension(HeldExtension&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
  ~HeldExtension() { Release(); }
  // Gives the reference back; the holder is empty afterwards.
  void Release();

  I3DExSceneOperation8* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

  // OptionCode: 4 bytes at offset 0 of OperationData.
  OptionCode option() const;
  void SetOption(OptionCode code);
  // KeepTranslation: the byte at offset 4, in Twinflip objects only.
  uint8_t keep() const;
  void SetKeep(uint8_t keep);

 private:
  I3DExSceneOperation8* object_ = nullptr;
};

}  // namespace orvel::host
