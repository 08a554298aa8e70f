// The header-level description of a PE32 i386 DLL, checked against the file
// before any of it is mapped: every later step can rely on the sections and
// the directories it uses lying inside the image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "peloader/pe_format.h"

namespace peloader {

struct SectionLayout {
  std::string name;
  uint32_t rva = 0;
  uint32_t mapped_size = 0;   // rounded up to the section alignment
  uint32_t file_offset = 0;
  uint32_t copy_size = 0;     // bytes taken from the file; the rest is zero
  uint32_t characteristics = 0;
};

struct ImageLayout {
  uint32_t preferred_base = 0;
  uint32_t size_of_image = 0;     // rounded up to the page size
  uint32_t size_of_headers = 0;
  uint32_t entry_rva = 0;         // 0: the DLL has no entry point
  uint16_t file_characteristics = 0;
  pe::DataDirectory directories[pe::kDirectoryCount] = {};
  std::vector<SectionLayout> sections;

  bool relocatable() const { return (file_characteristics & pe::kRelocsStripped) == 0; }
  const pe::DataDirectory& directory(uint32_t index) const { return directories[index]; }
};

// False with a reason in `error` unless `file` is a PE32 i386 DLL whose
// headers, sections and used directories are consistent with each other and
// with the file's size.
bool ReadImageLayout(const std::vector<uint8_t>& file, ImageLayout* layout, std::string* error);

// The page size the sections are protected in; section alignment must be a
// multiple of it.
uint32_t PageSize();

inline uint32_t AlignUp(uint32_t value, uint32_t alignment) {
  return (value + alignment - 1) & ~(alignment - 1);
}

// True when [rva, rva + size) lies inside [0, limit), without overflow.
inline bool RangeInside(uint32_t rva, uint32_t size, uint32_t limit) {
  return rva <= limit && size <= limit - rva;
}

}  // namespace peloader
