#include "peloader/code_arena.h"

#include <sys/mman.h>

#include <cstring>

#include "peloader/image_layout.h"

namespace peloader {

namespace {
constexpr size_t kCodeAlignment = 16;
}

CodeArena::~CodeArena() {
  for (const Chunk& chunk : chunks_) munmap(chunk.base, PageSize());
}

void* CodeArena::Emit(const uint8_t* code, size_t size, std::string* error) {
  const size_t page_size = PageSize();
  if (size > page_size) {
    *error = "generated code too large";
    return nullptr;
  }
  if (chunks_.empty() || chunks_.back().used + size > page_size) {
    void* page = mmap(nullptr, page_size, PROT_READ | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) {
      *error = "cannot allocate a page for generated code";
      return nullptr;
    }
    chunks_.push_back({static_cast<uint8_t*>(page), 0});
  }
  Chunk& chunk = chunks_.back();
  // The page is writable only while it is being written.
  if (mprotect(chunk.base, page_size, PROT_READ | PROT_WRITE) != 0) {
    *error = "cannot make generated code writable";
    return nullptr;
  }
  uint8_t* target = chunk.base + chunk.used;
  std::memcpy(target, code, size);
  chunk.used += (size + kCodeAlignment - 1) & ~(kCodeAlignment - 1);
  if (mprotect(chunk.base, page_size, PROT_READ | PROT_EXEC) != 0) {
    *error = "cannot make generated code executable";
    return nullptr;
  }
  return target;
}

}  // namespace peloader
