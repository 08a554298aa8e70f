// Executable memory for the few bytes of code the loader writes at run time:
// the traps of unbound imports and the stack-checking export thunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace peloader {

class CodeArena {
 public:
  CodeArena() = default;
  CodeArena(const CodeArena&) = delete;
  CodeArena& operator=(const CodeArena&) = delete;
  ~CodeArena();

  // Copies `size` bytes of code (at most a page) into executable memory.
  void* Emit(const uint8_t* code, size_t size, std::string* error);

 private:
  struct Chunk {
    uint8_t* base;
    size_t used;
  };
  std::vector<Chunk> chunks_;
};

}  // namespace peloader
