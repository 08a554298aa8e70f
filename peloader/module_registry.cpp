#include "peloader/module_registry.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "peloader/mapped_image.h"

namespace peloader {

namespace {

struct Entry {
  MappedImage* image;
  const ExportTable* exports;
};

std::vector<Entry>& Entries() {
  static std::vector<Entry>* entries = new std::vector<Entry>();
  return *entries;
}

}  // namespace

void RegisterModule(MappedImage* image, const ExportTable* exports) { Entries().push_back({image, exports}); }

void UnregisterModule(const MappedImage* image) {
  auto& entries = Entries();
  entries.erase(std::remove_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.image == image; }),
                entries.end());
}

MappedImage* ImageContaining(const void* address) {
  const uintptr_t at = reinterpret_cast<uintptr_t>(address);
  for (const Entry& entry : Entries()) {
    const uintptr_t base = reinterpret_cast<uintptr_t>(entry.image->base());
    if (at >= base && at - base < entry.image->size()) return entry.image;
  }
  return nullptr;
}

const ExportTable* ExportsOfModule(const void* base) {
  for (const Entry& entry : Entries()) {
    if (entry.image->base() == base) return entry.exports;
  }
  return nullptr;
}

}  // namespace peloader
