// The address range one DLL occupies: its headers and sections copied in,
// bounds-checked access by RVA for the steps that patch it, and the page
// protections, which the module's own CRT changes through VirtualProtect
// while it applies its pseudo-relocations.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "peloader/image_layout.h"

namespace peloader {

// Windows page protection values, as VirtualQuery and VirtualProtect use them.
namespace page {
inline constexpr uint32_t kNoAccess = 0x01;
inline constexpr uint32_t kReadOnly = 0x02;
inline constexpr uint32_t kReadWrite = 0x04;
inline constexpr uint32_t kWriteCopy = 0x08;
inline constexpr uint32_t kExecute = 0x10;
inline constexpr uint32_t kExecuteRead = 0x20;
inline constexpr uint32_t kExecuteReadWrite = 0x40;
inline constexpr uint32_t kExecuteWriteCopy = 0x80;
}  // namespace page

class MappedImage {
 public:
  // Maps the image read-write. A relocatable image is always placed away
  // from its preferred base, so that every load exercises its relocations;
  // an image whose relocations were stripped gets its preferred base or an
  // error.
  static std::unique_ptr<MappedImage> Map(const ImageLayout& layout, const std::vector<uint8_t>& file,
                                          std::string* error);
  MappedImage(const MappedImage&) = delete;
  MappedImage& operator=(const MappedImage&) = delete;
  ~MappedImage();

  uint8_t* base() const { return base_; }
  uint32_t address() const { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(base_)); }
  uint32_t size() const { return size_; }

  bool Contains(uint32_t rva, uint32_t size) const { return RangeInside(rva, size, size_); }
  // The RVA of a virtual address inside the image (already relocated).
  bool RvaOf(uint32_t address, uint32_t* rva) const;

  template <typename T>
  bool Read(uint32_t rva, T* out) const {
    if (!Contains(rva, sizeof(T))) return false;
    std::memcpy(out, base_ + rva, sizeof(T));
    return true;
  }
  template <typename T>
  bool Write(uint32_t rva, const T& value) {
    if (!Contains(rva, sizeof(T))) return false;
    std::memcpy(base_ + rva, &value, sizeof(T));
    return true;
  }
  // The NUL-terminated string at `rva`, or null when it does not end inside
  // the image.
  const char* CString(uint32_t rva) const;

  // Gives every section the access its flags ask for, the headers read-only
  // and the gaps no access. Called once, after the image has been patched.
  bool ApplySectionProtections(const ImageLayout& layout, std::string* error);

  // VirtualProtect on [rva, rva + size): false for a range outside the image
  // or a protection this loader does not model.
  bool Protect(uint32_t rva, uint32_t size, uint32_t protection, uint32_t* old_protection);

  // VirtualQuery: the run of pages with the same protection from the page
  // holding `rva` on.
  struct Region {
    uint32_t rva = 0;
    uint32_t size = 0;
    uint32_t protection = 0;
  };
  Region RegionAt(uint32_t rva) const;

  bool IsExecutable(uint32_t rva) const;

 private:
  MappedImage(uint8_t* base, uint32_t size);
  bool SetPages(uint32_t first_page, uint32_t page_count, uint32_t protection);

  uint8_t* base_;
  uint32_t size_;
  std::vector<uint32_t> page_protection_;
};

}  // namespace peloader
