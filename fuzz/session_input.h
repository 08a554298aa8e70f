// The fuzzer's bytes, read front to back as a host session. Reading past the
// end yields zeros and marks the input spent, so every byte string is a
// session and a mutation anywhere changes only what follows it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/abi.h"

namespace orvel::fuzz {

class SessionInput {
 public:
  SessionInput(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool spent() const { return at_ >= size_; }

  uint8_t Byte();
  uint16_t U16();
  uint32_t U32();
  // A value a host might hold in a transform: a small table of the values
  // that break arithmetic (NaN, infinities, zeros, denormals, the largest
  // floats), small multiples of a quarter, or any 32-bit pattern.
  float Float();
  // An id argument and the out pointer that goes with it. Mostly one of the
  // ids the host and the modules know, one of them with a byte changed, or
  // any 16 bytes; now and then no id or no out pointer at all, which no
  // host passes but which must not hurt.
  struct IdArgument {
    GUID id;
    bool idGiven;
    bool outGiven;
    const GUID* get() const { return idGiven ? &id : nullptr; }
    bool complete() const { return idGiven && outGiven; }
  };
  IdArgument Id();

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// The ids of Id()'s table, by their place in it.
enum KnownIdIndex : int {
  kIdUnknown,
  kIdClassFactory,
  kIdExtension,  // the one the factory creates for
  kIdDataExchanger,
  kIdSceneOperation,
  kIdSceneNode,
  kIdHostService,  // the first of five, in the order a binding asks for them
  kIdPinmarkClass = kIdHostService + 5,
  kIdTwinflipClass,
  kKnownIdCount
};
const GUID& KnownId(int index);

}  // namespace orvel::fuzz
