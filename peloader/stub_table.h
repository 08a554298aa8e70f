// The functions and data the loader binds a module's imports to, by DLL and
// name. Kernel32 stubs use stdcall, msvcrt stubs cdecl, as on Windows; all
// of them realign the stack, because Windows code calls with only 4-byte
// alignment and Linux code compiled for i386 assumes 16.
#pragma once

#include <cstddef>
#include <string_view>

#define PELOADER_WINAPI __attribute__((stdcall, force_align_arg_pointer))
#define PELOADER_CDECL __attribute__((cdecl, force_align_arg_pointer))

namespace peloader {

struct Stub {
  const char* name;
  const void* address;  // a function, or data such as msvcrt's _iob
};

struct StubList {
  const Stub* stubs;
  size_t count;
};

StubList Kernel32Stubs();
StubList MsvcrtStubs();

// The stub for `symbol` from `dll` (compared without regard to case), or
// null when the loader has none.
const void* FindStub(std::string_view dll, std::string_view symbol);

// Windows error codes the stubs leave in the thread block.
namespace win_error {
inline constexpr unsigned kInvalidHandle = 6;
inline constexpr unsigned kBadLength = 24;
inline constexpr unsigned kInvalidParameter = 87;
inline constexpr unsigned kModuleNotFound = 126;
inline constexpr unsigned kProcedureNotFound = 127;
inline constexpr unsigned kInvalidAddress = 487;
}  // namespace win_error

}  // namespace peloader
