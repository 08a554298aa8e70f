// An extension object as the host holds it: one reference, released when the
// holder goes, and the OperationData block read and written in place.
#pragma once

#include <cstdint>

#include "frame/extension_interfaces.h"

namespace orvel::scene_tool {

class Operation {
 public:
  explicit Operation(I3DExSceneOperation8* object) : object_(object) {}
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;
  Operation(Operation&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
  ~Operation() { Release(); }
  void Release();

  I3DExSceneOperation8* get() const { return object_; }

  // OptionCode: 4 bytes at offset 0 of OperationData.
  OptionCode option() const;
  void SetOption(OptionCode code);
  // KeepTranslation: the byte at offset 4, in Twinflip objects only.
  uint8_t keep() const;
  void SetKeep(uint8_t keep);

 private:
  I3DExSceneOperation8* object_;
};

}  // namespace orvel::scene_tool
