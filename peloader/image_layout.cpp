#include "peloader/image_layout.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "peloader/hex.h"

namespace peloader {

namespace {

// Larger images are not DLLs this loader is meant for; refusing them keeps a
// corrupt size field from asking for gigabytes of address space.
constexpr uint32_t kMaxImageSize = 256u << 20;

template <typename T>
bool ReadFileAt(const std::vector<uint8_t>& file, uint64_t offset, T* out) {
  if (offset > file.size() || sizeof(T) > file.size() - offset) return false;
  std::memcpy(out, file.data() + offset, sizeof(T));
  return true;
}

bool IsPowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

std::string SectionName(const pe::SectionHeader& header) {
  return std::string(header.name, strnlen(header.name, sizeof header.name));
}

bool Fail(std::string* error, std::string message) {
  *error = std::move(message);
  return false;
}

bool ReadHeaders(const std::vector<uint8_t>& file, pe::FileHeader* file_header,
                 pe::OptionalHeader32* optional, uint64_t* optional_offset, std::string* error) {
  if (file.empty()) return Fail(error, "the file is empty");
  pe::DosHeader dos;
  if (!ReadFileAt(file, 0, &dos)) {
    return Fail(error, "the file is " + std::to_string(file.size()) + " bytes, too short for a DOS header");
  }
  if (dos.magic != pe::kDosSignature) return Fail(error, "no MZ signature: not a PE file");
  uint32_t signature = 0;
  if (!ReadFileAt(file, dos.new_header_offset, &signature) ||
      !ReadFileAt(file, uint64_t{dos.new_header_offset} + 4, file_header)) {
    return Fail(error, "the PE header at " + Hex(dos.new_header_offset) + " lies beyond the end of the file (" +
                           Hex(file.size()) + " bytes): truncated or not a PE file");
  }
  if (signature != pe::kPeSignature) {
    return Fail(error, "no PE signature at " + Hex(dos.new_header_offset) + ": an MZ program, not a PE image");
  }
  if (file_header->machine != pe::kMachineI386) {
    return Fail(error, "machine type " + Hex(file_header->machine) + " is not i386 (0x14c)");
  }
  *optional_offset = uint64_t{dos.new_header_offset} + 4 + sizeof(pe::FileHeader);
  uint16_t magic = 0;
  if (!ReadFileAt(file, *optional_offset, &magic)) return Fail(error, "the optional header is truncated");
  if (magic == pe::kMagicPe32Plus) return Fail(error, "a PE32+ (64-bit) image, not PE32");
  if (magic != pe::kMagicPe32) return Fail(error, "optional header magic " + Hex(magic) + " is not PE32 (0x10b)");
  if (file_header->size_of_optional_header < sizeof(pe::OptionalHeader32)) {
    return Fail(error, "the optional header is " + std::to_string(file_header->size_of_optional_header) +
                           " bytes, too short for PE32");
  }
  if (!ReadFileAt(file, *optional_offset, optional) ||
      *optional_offset + file_header->size_of_optional_header > file.size()) {
    return Fail(error, "the optional header is truncated");
  }
  if ((file_header->characteristics & pe::kExecutableImage) == 0) {
    return Fail(error, "not an executable image (characteristics " + Hex(file_header->characteristics) + ")");
  }
  if ((file_header->characteristics & pe::kDll) == 0) return Fail(error, "not a DLL: the image is a program");
  return true;
}

bool ReadDirectories(const std::vector<uint8_t>& file, const pe::FileHeader& file_header,
                     const pe::OptionalHeader32& optional, uint64_t optional_offset, ImageLayout* layout,
                     std::string* error) {
  uint32_t count = optional.number_of_rva_and_sizes;
  if (count > pe::kDirectoryCount) {
    return Fail(error, std::to_string(count) + " data directories; PE32 has at most 16");
  }
  if (sizeof(pe::OptionalHeader32) + count * sizeof(pe::DataDirectory) > file_header.size_of_optional_header) {
    return Fail(error, "the data directories overrun the optional header");
  }
  for (uint32_t i = 0; i < count; ++i) {
    ReadFileAt(file, optional_offset + sizeof(pe::OptionalHeader32) + i * sizeof(pe::DataDirectory),
               &layout->directories[i]);
  }
  static constexpr struct {
    uint32_t index;
    const char* name;
  } kUsed[] = {{pe::kExportDirectory, "export"},
               {pe::kImportDirectory, "import"},
               {pe::kBaseRelocationDirectory, "base relocation"},
               {pe::kTlsDirectory, "TLS"}};
  for (const auto& used : kUsed) {
    const pe::DataDirectory& directory = layout->directories[used.index];
    if (directory.size == 0) continue;
    if (!RangeInside(directory.rva, directory.size, layout->size_of_image)) {
      return Fail(error, std::string("the ") + used.name + " directory [" + Hex(directory.rva) + ", +" +
                             Hex(directory.size) + ") lies outside the image (" + Hex(layout->size_of_image) +
                             " bytes)");
    }
  }
  return true;
}

bool ReadSections(const std::vector<uint8_t>& file, const pe::FileHeader& file_header, uint64_t table_offset,
                  uint32_t section_alignment, ImageLayout* layout, std::string* error) {
  if (file_header.number_of_sections == 0) return Fail(error, "the image has no sections");
  uint32_t previous_end = AlignUp(layout->size_of_headers, PageSize());
  for (uint32_t i = 0; i < file_header.number_of_sections; ++i) {
    pe::SectionHeader header;
    if (!ReadFileAt(file, table_offset + i * sizeof(pe::SectionHeader), &header)) {
      return Fail(error, "the section table is truncated");
    }
    SectionLayout section;
    section.name = SectionName(header);
    section.rva = header.virtual_address;
    uint32_t extent = header.virtual_size != 0 ? header.virtual_size : header.size_of_raw_data;
    const std::string where = "section " + section.name + " [" + Hex(section.rva) + ", +" + Hex(extent) + ")";
    if (section.rva % section_alignment != 0) return Fail(error, where + " is not aligned to its section alignment");
    if (!RangeInside(section.rva, extent, layout->size_of_image)) {
      return Fail(error, where + " lies outside the image (" + Hex(layout->size_of_image) + " bytes)");
    }
    if (section.rva < previous_end) return Fail(error, where + " overlaps the headers or the section before it");
    if (header.size_of_raw_data != 0 &&
        !RangeInside(header.pointer_to_raw_data, header.size_of_raw_data, static_cast<uint32_t>(file.size()))) {
      return Fail(error, where + " needs file bytes [" + Hex(header.pointer_to_raw_data) + ", +" +
                             Hex(header.size_of_raw_data) + ") but the file has " + Hex(file.size()) +
                             " bytes: truncated");
    }
    section.mapped_size = std::min(AlignUp(extent, section_alignment), layout->size_of_image - section.rva);
    section.file_offset = header.pointer_to_raw_data;
    section.copy_size = std::min(header.size_of_raw_data, extent);
    section.characteristics = header.characteristics;
    previous_end = section.rva + section.mapped_size;
    layout->sections.push_back(std::move(section));
  }
  return true;
}

bool EntryPointInCode(const ImageLayout& layout) {
  for (const SectionLayout& section : layout.sections) {
    if ((section.characteristics & pe::kSectionExecute) != 0 && layout.entry_rva >= section.rva &&
        layout.entry_rva - section.rva < section.mapped_size) {
      return true;
    }
  }
  return false;
}

}  // namespace

uint32_t PageSize() { return static_cast<uint32_t>(sysconf(_SC_PAGESIZE)); }

bool ReadImageLayout(const std::vector<uint8_t>& file, ImageLayout* layout, std::string* error) {
  *layout = ImageLayout();
  pe::FileHeader file_header;
  pe::OptionalHeader32 optional;
  uint64_t optional_offset = 0;
  if (!ReadHeaders(file, &file_header, &optional, &optional_offset, error)) return false;

  if (!IsPowerOfTwo(optional.section_alignment) || optional.section_alignment < PageSize()) {
    return Fail(error, "section alignment " + Hex(optional.section_alignment) +
                           " is not a power of two of at least the page size");
  }
  if (optional.size_of_image == 0 || optional.size_of_image > kMaxImageSize) {
    return Fail(error, "image size " + Hex(optional.size_of_image) + " is implausible");
  }
  if (optional.image_base % PageSize() != 0) {
    return Fail(error, "preferred base " + Hex(optional.image_base) + " is not page aligned");
  }
  layout->preferred_base = optional.image_base;
  layout->size_of_image = AlignUp(optional.size_of_image, PageSize());
  layout->size_of_headers = optional.size_of_headers;
  layout->entry_rva = optional.address_of_entry_point;
  layout->file_characteristics = file_header.characteristics;
  if (optional.size_of_headers > layout->size_of_image || optional.size_of_headers > file.size()) {
    return Fail(error, "the headers (" + Hex(optional.size_of_headers) + " bytes) do not fit the file or the image");
  }

  if (!ReadDirectories(file, file_header, optional, optional_offset, layout, error)) return false;
  uint64_t table_offset = optional_offset + file_header.size_of_optional_header;
  if (!ReadSections(file, file_header, table_offset, optional.section_alignment, layout, error)) return false;
  if (layout->entry_rva != 0 && !EntryPointInCode(*layout)) {
    return Fail(error, "the entry point " + Hex(layout->entry_rva) + " lies outside the image's code");
  }
  return true;
}

}  // namespace peloader
