#include "tests/frame/stack_probe.h"

#if defined(__i386__)

namespace orvel::frame_test {

ProbedCall CallPushing(const void* function, const std::vector<uint32_t>& arguments) {
  const uint32_t* values = arguments.data();
  uint32_t count = static_cast<uint32_t>(arguments.size());
  uint32_t result;
  uint32_t left;
  const void* target = function;
  // EDI keeps the caller's stack and ESI the bytes pushed, both preserved by
  // the callee. The pushes start from a base chosen so that the stack is
  // 16-byte aligned at the call, as the System V i386 ABI expects; after the
  // call the stack must be back at that base.
  __asm__ volatile(
      "movl %%esp, %%edi\n\t"
      "movl %%ecx, %%esi\n\t"
      "shll $2, %%esi\n\t"
      "subl %%esi, %%esp\n\t"
      "andl $-16, %%esp\n\t"
      "addl %%esi, %%esp\n\t"
      "1:\n\t"
      "testl %%ecx, %%ecx\n\t"
      "jz 2f\n\t"
      "decl %%ecx\n\t"
      "pushl (%%eax,%%ecx,4)\n\t"
      "jmp 1b\n\t"
      "2:\n\t"
      "call *%%edx\n\t"
      "movl %%edi, %%ecx\n\t"
      "subl %%esi, %%ecx\n\t"
      "andl $-16, %%ecx\n\t"
      "addl %%esi, %%ecx\n\t"
      "subl %%esp, %%ecx\n\t"
      "movl %%edi, %%esp\n\t"
      : "=a"(result), "=c"(left), "+d"(target)
      : "0"(values), "1"(count)
      : "esi", "edi", "memory", "cc", "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7");
  // ECX = base - ESP: positive when the callee left bytes behind.
  return ProbedCall{result, static_cast<int32_t>(left)};
}

}  // namespace orvel::frame_test

#endif
