// Every call from the loader or the host into the module's code goes through
// here, so the stack pointer can be compared before and after: a callee that
// removes more or fewer argument bytes than its caller pushed (a stdcall
// declared as cdecl, or the wrong argument count) is reported instead of
// silently shifting the caller's stack. Calls also reach the module with a
// 16-byte aligned stack, which the host's own code expects back in callbacks.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "peloader/code_arena.h"

namespace peloader {

// Calls the stdcall function `function` with 32-bit `arguments`. False, with
// the fault in `error`, when it did not remove exactly those arguments; the
// caller's stack is restored either way.
bool CallStdcall(const void* function, std::initializer_list<uint32_t> arguments, const std::string& what,
                 uint32_t* result, std::string* error);

// Calls a function of no arguments (an initializer run by _initterm) and ends
// the process if it moved the stack.
void CallNoArgumentsOrDie(const void* function, const char* what);

// What a checked thunk calls. The layout is read by the thunk's assembly.
struct CheckedTarget {
  const void* function;     // offset 0
  uint32_t argument_bytes;  // offset 4
  const char* name;         // offset 8
};

// Code with the stdcall signature of `target->function` that forwards the
// call and ends the process with a message if the callee removed a different
// number of argument bytes. `target` must outlive the thunk.
void* MakeCheckedStdcallThunk(CodeArena* arena, const CheckedTarget* target, std::string* error);

// Code that ends the process naming `qualified_name` (DLL!function) when
// called: the address bound to an import the loader has no stub for.
// `qualified_name` must outlive the trap.
void* MakeUnboundImportTrap(CodeArena* arena, const char* qualified_name, std::string* error);

}  // namespace peloader
