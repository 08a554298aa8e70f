// A call made the way the 32-bit host makes it: each argument pushed as a
// 32-bit value, right to left, the object first, then the call. A method or
// export that removes more or fewer bytes than were pushed (a missing or extra
// argument in its declaration, or a convention other than stdcall) corrupts
// the host's stack; the probe reports the difference instead of crashing.
#pragma once

#include <cstdint>
#include <vector>

#if defined(__i386__)

namespace orvel::frame_test {

struct ProbedCall {
  // EAX after the call; only its low byte is defined for a truth value.
  uint32_t result;
  // Bytes the callee left on the stack: 0 for a callee that removed exactly
  // its arguments, negative when it removed more.
  int32_t leftBehind;
};

ProbedCall CallPushing(const void* function, const std::vector<uint32_t>& arguments);

// A pointer as the 32-bit value the host pushes.
template <typename T>
uint32_t Word(T* pointer) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}

}  // namespace orvel::frame_test

#endif
