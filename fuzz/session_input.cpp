#include "fuzz/session_input.h"

#include <cstring>
#include <limits>

namespace orvel::fuzz {

namespace {

// Written out from their registry form, as the host knows them, so that the
// harness does not take the modules' word for their own ids.
constexpr GUID kIds[kKnownIdCount] = {
    {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}},  // IUnknown
    {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}},  // IClassFactory
    {0x1705BF20, 0x0AD8, 0x11CF, {0xA4, 0xF7, 0x00, 0x00, 0xE2, 0x02, 0xD5, 0xA5}},  // extension
    {0xB295B680, 0x3A02, 0x101C, {0x88, 0x5F, 0x04, 0x02, 0x1C, 0x00, 0x70, 0x02}},
    {0xB0210D00, 0x3A02, 0x101C, {0x88, 0x5F, 0x04, 0x02, 0x1C, 0x00, 0x70, 0x02}},
    {0xD68FEB00, 0x3A02, 0x101C, {0x88, 0x5F, 0x04, 0x02, 0x1C, 0x00, 0x70, 0x02}},  // SceneNode
    {0xF3CA8A60, 0x3F55, 0x11D1, {0xA0, 0x9F, 0x00, 0xAA, 0x00, 0xD3, 0x7E, 0x0B}},  // the five host ids
    {0x5C9601AB, 0x7CC3, 0x101C, {0x88, 0x5F, 0x04, 0x02, 0x1C, 0x00, 0x70, 0x02}},
    {0x5C9601AA, 0x7CC3, 0x101C, {0x88, 0x5F, 0x04, 0x02, 0x1C, 0x00, 0x70, 0x02}},
    {0x4926F780, 0xBA0F, 0x11CF, {0x99, 0x09, 0x00, 0x40, 0x05, 0x22, 0xBF, 0xCC}},
    {0x900B69F1, 0x701B, 0x11D0, {0xB2, 0xB5, 0x00, 0xAA, 0x00, 0x4B, 0x60, 0xE7}},
    {0x5ED17F01, 0x8588, 0x11D2, {0xB7, 0xA5, 0xF3, 0x58, 0x13, 0xA8, 0xBA, 0x80}},  // pivot module
    {0xEB214160, 0x833B, 0x11D2, {0xB0, 0x92, 0x00, 0x00, 0xF4, 0x3A, 0xF5, 0x27}},  // mirror module
};

float FromBits(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

constexpr int kSpecialFloats = 20;

float SpecialFloat(int index) {
  using limits = std::numeric_limits<float>;
  switch (index) {
    case 0: return 0.0f;
    case 1: return -0.0f;
    case 2: return 1.0f;
    case 3: return -1.0f;
    case 4: return 0.5f;
    case 5: return 2.0f;
    case 6: return limits::quiet_NaN();
    case 7: return -limits::quiet_NaN();
    case 8: return FromBits(0x7fa00000u);  // signalling NaN
    case 9: return limits::infinity();
    case 10: return -limits::infinity();
    case 11: return limits::max();
    case 12: return -limits::max();
    case 13: return limits::min();          // smallest normal
    case 14: return limits::denorm_min();
    case 15: return -limits::denorm_min();
    case 16: return FromBits(0x007fffffu);  // largest denormal
    case 17: return 1e30f;
    case 18: return -1e-30f;
    default: return 3.0e38f;
  }
}

}  // namespace

const GUID& KnownId(int index) { return kIds[index]; }

uint8_t SessionInput::Byte() {
  if (at_ >= size_) {
    at_ = size_ + 1;
    return 0;
  }
  return data_[at_++];
}

uint16_t SessionInput::U16() {
  const uint16_t low = Byte();
  return static_cast<uint16_t>(low | Byte() << 8);
}

uint32_t SessionInput::U32() {
  const uint32_t low = U16();
  return low | static_cast<uint32_t>(U16()) << 16;
}

float SessionInput::Float() {
  const uint8_t selector = Byte();
  if (selector < kSpecialFloats) return SpecialFloat(selector);
  if (selector < 0xf0) return static_cast<float>(static_cast<int>(selector) - 128) * 0.25f;
  return FromBits(U32());
}

SessionInput::IdArgument SessionInput::Id() {
  const uint8_t selector = Byte();
  IdArgument argument{{}, true, true};
  if (selector < 0xc0) {
    argument.id = kIds[selector % kKnownIdCount];
  } else if (selector < 0xf0) {
    // A near miss: the ids are compared as whole 16-byte values.
    argument.id = kIds[selector % kKnownIdCount];
    uint8_t bytes[16];
    std::memcpy(bytes, &argument.id, 16);
    const uint8_t position = Byte() % 16;
    bytes[position] = static_cast<uint8_t>(bytes[position] ^ (Byte() | 1));
    std::memcpy(&argument.id, bytes, 16);
  } else if (selector < 0xfe) {
    uint8_t bytes[16];
    for (uint8_t& byte : bytes) byte = Byte();
    std::memcpy(&argument.id, bytes, 16);
  } else if (selector == 0xfe) {
    argument.id = kIds[kIdUnknown];
    argument.outGiven = false;
  } else {
    argument.idGiven = false;
  }
  return argument;
}

}  // namespace orvel::fuzz
