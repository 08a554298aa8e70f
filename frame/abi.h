// Binary conventions shared by every interface the modules implement or call.
//
// The host is a 32-bit Windows program: every interface method and every
// export uses __stdcall there, and the same convention is applied to the
// 32-bit Linux build so that one test suite checks the real stack discipline.
// Elsewhere the platform default applies.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__i386__)
#define ORVEL_STDCALL __attribute__((stdcall))
#else
#define ORVEL_STDCALL
#endif

// Windows builds export through a .def file; ELF builds hide everything else
// with -fvisibility=hidden and a version script.
#if defined(_WIN32)
#define ORVEL_EXPORT
#else
#define ORVEL_EXPORT __attribute__((visibility("default")))
#endif

namespace orvel {

using HRESULT = int32_t;

// Result codes, named after their COM meaning.
namespace hr {
inline constexpr HRESULT kOk = 0;
inline constexpr HRESULT kFalse = 1;
inline constexpr HRESULT kNotImplemented = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT kNoInterface = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT kPointer = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT kOutOfMemory = static_cast<HRESULT>(0x8007000Eu);
}  // namespace hr

// A 16-byte interface or class id in its registry layout.
struct GUID {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
};
static_assert(sizeof(GUID) == 16, "ids are compared as 16 raw bytes");

// Ids are equal only when all sixteen bytes are.
inline bool SameId(const GUID& a, const GUID& b) {
  return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

// A four-character code whose bytes in memory are its letters in order
// (all targets are little-endian), compared as one 32-bit value.
using OptionCode = uint32_t;

constexpr OptionCode FourCharCode(const char (&letters)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(letters[0])) |
         static_cast<uint32_t>(static_cast<uint8_t>(letters[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(letters[2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(letters[3])) << 24;
}
static_assert(FourCharCode("HMEM") == 0x4d454d48u);

}  // namespace orvel
