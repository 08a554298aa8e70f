#include "peloader/mapped_image.h"

#include <sys/mman.h>

#include "peloader/hex.h"

namespace peloader {

namespace {

bool ToPosixProtection(uint32_t protection, int* prot) {
  switch (protection) {
    case page::kNoAccess: *prot = PROT_NONE; return true;
    case page::kReadOnly: *prot = PROT_READ; return true;
    case page::kReadWrite:
    case page::kWriteCopy: *prot = PROT_READ | PROT_WRITE; return true;
    case page::kExecute: *prot = PROT_EXEC; return true;
    case page::kExecuteRead: *prot = PROT_READ | PROT_EXEC; return true;
    case page::kExecuteReadWrite:
    case page::kExecuteWriteCopy: *prot = PROT_READ | PROT_WRITE | PROT_EXEC; return true;
    default: return false;  // guard pages and caching modifiers
  }
}

uint32_t SectionProtection(uint32_t characteristics) {
  bool execute = (characteristics & pe::kSectionExecute) != 0;
  bool read = (characteristics & pe::kSectionRead) != 0;
  bool write = (characteristics & pe::kSectionWrite) != 0;
  if (execute) return write ? page::kExecuteReadWrite : read ? page::kExecuteRead : page::kExecute;
  if (write) return page::kReadWrite;
  return read ? page::kReadOnly : page::kNoAccess;
}

void* MapAnywhere(uint32_t size) {
  void* mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return mapped == MAP_FAILED ? nullptr : mapped;
}

}  // namespace

MappedImage::MappedImage(uint8_t* base, uint32_t size)
    : base_(base), size_(size), page_protection_(size / PageSize(), page::kReadWrite) {}

MappedImage::~MappedImage() { munmap(base_, size_); }

std::unique_ptr<MappedImage> MappedImage::Map(const ImageLayout& layout, const std::vector<uint8_t>& file,
                                              std::string* error) {
  const uint32_t size = layout.size_of_image;
  void* preferred = reinterpret_cast<void*>(static_cast<uintptr_t>(layout.preferred_base));
  void* mapped = nullptr;
  if (layout.relocatable()) {
    mapped = MapAnywhere(size);
    if (mapped == preferred) {
      // Hold on to the preferred range while asking for another.
      void* other = MapAnywhere(size);
      munmap(mapped, size);
      mapped = other;
    }
  } else {
    mapped = mmap(preferred, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) mapped = nullptr;
    if (mapped != nullptr && mapped != preferred) {
      munmap(mapped, size);
      *error = "the image's relocations are stripped and its preferred base " + Hex(layout.preferred_base) +
               " is not free";
      return nullptr;
    }
  }
  if (mapped == nullptr) {
    *error = "cannot reserve " + Hex(size) + " bytes for the image";
    return nullptr;
  }
  std::unique_ptr<MappedImage> image(new MappedImage(static_cast<uint8_t*>(mapped), size));
  std::memcpy(image->base_, file.data(), layout.size_of_headers);
  for (const SectionLayout& section : layout.sections) {
    std::memcpy(image->base_ + section.rva, file.data() + section.file_offset, section.copy_size);
  }
  return image;
}

bool MappedImage::RvaOf(uint32_t address, uint32_t* rva) const {
  uint32_t offset = address - this->address();
  if (offset >= size_) return false;
  *rva = offset;
  return true;
}

const char* MappedImage::CString(uint32_t rva) const {
  if (rva >= size_) return nullptr;
  const void* end = std::memchr(base_ + rva, '\0', size_ - rva);
  return end == nullptr ? nullptr : reinterpret_cast<const char*>(base_ + rva);
}

bool MappedImage::SetPages(uint32_t first_page, uint32_t page_count, uint32_t protection) {
  int prot = 0;
  if (!ToPosixProtection(protection, &prot)) return false;
  if (page_count == 0) return true;
  if (mprotect(base_ + first_page * PageSize(), page_count * PageSize(), prot) != 0) return false;
  for (uint32_t i = 0; i < page_count; ++i) page_protection_[first_page + i] = protection;
  return true;
}

bool MappedImage::ApplySectionProtections(const ImageLayout& layout, std::string* error) {
  const uint32_t page_size = PageSize();
  uint32_t header_pages = AlignUp(layout.size_of_headers, page_size) / page_size;
  bool ok = SetPages(0, header_pages, page::kReadOnly);
  uint32_t next_page = header_pages;
  for (const SectionLayout& section : layout.sections) {
    uint32_t first = section.rva / page_size;
    uint32_t count = AlignUp(section.mapped_size, page_size) / page_size;
    ok = ok && SetPages(next_page, first - next_page, page::kNoAccess) &&
         SetPages(first, count, SectionProtection(section.characteristics));
    next_page = first + count;
  }
  ok = ok && SetPages(next_page, static_cast<uint32_t>(page_protection_.size()) - next_page, page::kNoAccess);
  if (!ok) *error = "cannot set the protection of the image's pages";
  return ok;
}

bool MappedImage::Protect(uint32_t rva, uint32_t size, uint32_t protection, uint32_t* old_protection) {
  if (size == 0 || !Contains(rva, size)) return false;
  uint32_t first = rva / PageSize();
  uint32_t last = (rva + size - 1) / PageSize();
  uint32_t old = page_protection_[first];
  if (!SetPages(first, last - first + 1, protection)) return false;
  if (old_protection != nullptr) *old_protection = old;
  return true;
}

MappedImage::Region MappedImage::RegionAt(uint32_t rva) const {
  Region region;
  uint32_t page = rva / PageSize();
  if (page >= page_protection_.size()) return region;
  region.rva = page * PageSize();
  region.protection = page_protection_[page];
  uint32_t end = page;
  while (end < page_protection_.size() && page_protection_[end] == region.protection) ++end;
  region.size = (end - page) * PageSize();
  return region;
}

bool MappedImage::IsExecutable(uint32_t rva) const {
  if (rva >= size_) return false;
  uint32_t protection = page_protection_[rva / PageSize()];
  return protection == page::kExecute || protection == page::kExecuteRead ||
         protection == page::kExecuteReadWrite || protection == page::kExecuteWriteCopy;
}

}  // namespace peloader
