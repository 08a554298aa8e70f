#include "peloader/module_calls.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "peloader/fatal.h"
#include "peloader/hex.h"

extern "C" {
// Pushes `count` words from `arguments`, calls `function` with the stack
// aligned to 16 bytes, stores the number of bytes the callee removed in
// `removed` and restores the stack.
uint32_t peloader_call_counting(const void* function, const uint32_t* arguments, uint32_t count,
                                int32_t* removed) __attribute__((visibility("hidden")));
// Entered from a checked thunk with its CheckedTarget pushed above the
// caller's return address.
void peloader_checked_entry() __attribute__((visibility("hidden")));
[[noreturn]] void peloader_report_imbalance(const peloader::CheckedTarget* target, int32_t removed)
    __attribute__((visibility("hidden"), cdecl, force_align_arg_pointer, used));
[[noreturn]] void peloader_report_unbound_import(const char* qualified_name)
    __attribute__((visibility("hidden"), cdecl, force_align_arg_pointer, used));
}

// Both routines keep the stack pointer at the call in a slot of their own
// frame (-16(%ebp)), so the comparison does not depend on any register the
// callee might have clobbered except %ebp, which every convention preserves.
asm(R"(
  .text
  .p2align 4
  .globl peloader_call_counting
  .hidden peloader_call_counting
  .type peloader_call_counting, @function
peloader_call_counting:
  pushl %ebp
  movl %esp, %ebp
  pushl %ebx
  pushl %esi
  pushl %edi
  subl $4, %esp
  movl 16(%ebp), %ecx
  leal 0(,%ecx,4), %eax
  movl %esp, %edx
  subl %eax, %edx
  andl $-16, %edx
  movl %edx, -16(%ebp)
  movl %edx, %esp
  movl 12(%ebp), %esi
  movl %esp, %edi
  cld
  rep movsl
  call *8(%ebp)
  movl %esp, %ecx
  subl -16(%ebp), %ecx
  movl 20(%ebp), %edx
  movl %ecx, (%edx)
  leal -12(%ebp), %esp
  popl %edi
  popl %esi
  popl %ebx
  popl %ebp
  ret
  .size peloader_call_counting, .-peloader_call_counting

  .p2align 4
  .globl peloader_checked_entry
  .hidden peloader_checked_entry
  .type peloader_checked_entry, @function
peloader_checked_entry:
  # (%esp): the CheckedTarget, 4(%esp): the caller's return address,
  # 8(%esp) on: the caller's arguments.
  pushl %ebp
  movl %esp, %ebp
  pushl %ebx
  pushl %esi
  pushl %edi
  subl $4, %esp
  movl 4(%ebp), %ebx
  movl 4(%ebx), %ecx
  movl %esp, %edx
  subl %ecx, %edx
  andl $-16, %edx
  movl %edx, -16(%ebp)
  movl %edx, %esp
  leal 12(%ebp), %esi
  movl %esp, %edi
  shrl $2, %ecx
  cld
  rep movsl
  call *(%ebx)
  movl %esp, %ecx
  subl -16(%ebp), %ecx
  movl 4(%ebp), %ebx
  cmpl 4(%ebx), %ecx
  jne 1f
  leal -12(%ebp), %esp
  popl %edi
  popl %esi
  popl %ebx
  popl %ebp
  # Return the stdcall way: move the return address onto the last argument
  # word (or leave it where it is when there are none) and return from there,
  # which also drops the CheckedTarget. %eax and %edx carry the result.
  movl (%esp), %ecx
  movl 4(%ecx), %ecx
  leal 4(%esp,%ecx), %ecx
  pushl 4(%esp)
  popl (%ecx)
  movl %ecx, %esp
  ret
1:
  movl -16(%ebp), %esp
  subl $8, %esp
  pushl %ecx
  pushl %ebx
  call peloader_report_imbalance
  ud2
  .size peloader_checked_entry, .-peloader_checked_entry
)");

namespace peloader {

namespace {

std::string ImbalanceMessage(const std::string& what, int32_t removed, uint32_t expected) {
  return "stack imbalance: " + what + " removed " + std::to_string(removed) + " bytes of arguments, the caller pushed " +
         std::to_string(expected) + " (a calling-convention or signature mismatch)";
}

template <size_t N>
void PutWord(uint8_t (&code)[N], size_t offset, const void* pointer) {
  uint32_t word = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
  std::memcpy(code + offset, &word, 4);
}

}  // namespace

bool CallStdcall(const void* function, std::initializer_list<uint32_t> arguments, const std::string& what,
                 uint32_t* result, std::string* error) {
  int32_t removed = 0;
  uint32_t value = peloader_call_counting(function, arguments.begin(), static_cast<uint32_t>(arguments.size()),
                                          &removed);
  if (result != nullptr) *result = value;
  const uint32_t expected = static_cast<uint32_t>(arguments.size() * 4);
  if (removed != static_cast<int32_t>(expected)) {
    *error = ImbalanceMessage(what, removed, expected);
    return false;
  }
  return true;
}

void CallNoArgumentsOrDie(const void* function, const char* what) {
  int32_t removed = 0;
  peloader_call_counting(function, nullptr, 0, &removed);
  if (removed != 0) Fatal(ImbalanceMessage(std::string(what) + " at " + Hex(reinterpret_cast<uintptr_t>(function)),
                                           removed, 0));
}

void* MakeCheckedStdcallThunk(CodeArena* arena, const CheckedTarget* target, std::string* error) {
  static_assert(offsetof(CheckedTarget, function) == 0 && offsetof(CheckedTarget, argument_bytes) == 4);
  // push $target; mov $peloader_checked_entry, %eax; jmp *%eax
  uint8_t code[] = {0x68, 0, 0, 0, 0, 0xb8, 0, 0, 0, 0, 0xff, 0xe0};
  PutWord(code, 1, target);
  PutWord(code, 6, reinterpret_cast<const void*>(&peloader_checked_entry));
  return arena->Emit(code, sizeof code, error);
}

void* MakeUnboundImportTrap(CodeArena* arena, const char* qualified_name, std::string* error) {
  // push $name; mov $peloader_report_unbound_import, %eax; call *%eax; ud2
  uint8_t code[] = {0x68, 0, 0, 0, 0, 0xb8, 0, 0, 0, 0, 0xff, 0xd0, 0x0f, 0x0b};
  PutWord(code, 1, qualified_name);
  PutWord(code, 6, reinterpret_cast<const void*>(&peloader_report_unbound_import));
  return arena->Emit(code, sizeof code, error);
}

}  // namespace peloader

void peloader_report_imbalance(const peloader::CheckedTarget* target, int32_t removed) {
  peloader::Fatal(peloader::ImbalanceMessage(std::string("export ") + target->name, removed, target->argument_bytes));
}

void peloader_report_unbound_import(const char* qualified_name) {
  peloader::Fatal(std::string("the module called ") + qualified_name + ", an import this loader has no stub for");
}
