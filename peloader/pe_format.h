// The parts of the PE32 file format the loader reads, laid out as on disk.
// Fields are read with memcpy from unaligned file and image bytes, never
// through pointers cast into the buffer.
#pragma once

#include <cstdint>

namespace peloader::pe {

inline constexpr uint16_t kDosSignature = 0x5a4d;      // "MZ"
inline constexpr uint32_t kPeSignature = 0x00004550;   // "PE\0\0"
inline constexpr uint16_t kMachineI386 = 0x014c;
inline constexpr uint16_t kMagicPe32 = 0x010b;
inline constexpr uint16_t kMagicPe32Plus = 0x020b;

// File header characteristics.
inline constexpr uint16_t kRelocsStripped = 0x0001;
inline constexpr uint16_t kExecutableImage = 0x0002;
inline constexpr uint16_t kDll = 0x2000;

// Section characteristics: the access the section asks for.
inline constexpr uint32_t kSectionExecute = 0x20000000;
inline constexpr uint32_t kSectionRead = 0x40000000;
inline constexpr uint32_t kSectionWrite = 0x80000000;

// Data directory positions.
inline constexpr uint32_t kExportDirectory = 0;
inline constexpr uint32_t kImportDirectory = 1;
inline constexpr uint32_t kBaseRelocationDirectory = 5;
inline constexpr uint32_t kTlsDirectory = 9;
inline constexpr uint32_t kDirectoryCount = 16;

// Base relocation entry types (high 4 bits of each 16-bit entry).
inline constexpr uint16_t kRelocationAbsolute = 0;  // padding, no fix-up
inline constexpr uint16_t kRelocationHighLow = 3;   // 32-bit address

// Import lookup entries with this bit name an ordinal instead of a name.
inline constexpr uint32_t kImportByOrdinal = 0x80000000;

// DllMain and TLS callback reasons.
inline constexpr uint32_t kProcessDetach = 0;
inline constexpr uint32_t kProcessAttach = 1;

struct DosHeader {
  uint16_t magic;
  uint8_t unused[58];
  uint32_t new_header_offset;
};
static_assert(sizeof(DosHeader) == 64);

struct FileHeader {
  uint16_t machine;
  uint16_t number_of_sections;
  uint32_t time_date_stamp;
  uint32_t pointer_to_symbol_table;
  uint32_t number_of_symbols;
  uint16_t size_of_optional_header;
  uint16_t characteristics;
};
static_assert(sizeof(FileHeader) == 20);

struct DataDirectory {
  uint32_t rva;
  uint32_t size;
};

// The PE32 optional header up to its data directories.
struct OptionalHeader32 {
  uint16_t magic;
  uint8_t major_linker_version;
  uint8_t minor_linker_version;
  uint32_t size_of_code;
  uint32_t size_of_initialized_data;
  uint32_t size_of_uninitialized_data;
  uint32_t address_of_entry_point;
  uint32_t base_of_code;
  uint32_t base_of_data;
  uint32_t image_base;
  uint32_t section_alignment;
  uint32_t file_alignment;
  uint16_t major_os_version;
  uint16_t minor_os_version;
  uint16_t major_image_version;
  uint16_t minor_image_version;
  uint16_t major_subsystem_version;
  uint16_t minor_subsystem_version;
  uint32_t win32_version_value;
  uint32_t size_of_image;
  uint32_t size_of_headers;
  uint32_t checksum;
  uint16_t subsystem;
  uint16_t dll_characteristics;
  uint32_t size_of_stack_reserve;
  uint32_t size_of_stack_commit;
  uint32_t size_of_heap_reserve;
  uint32_t size_of_heap_commit;
  uint32_t loader_flags;
  uint32_t number_of_rva_and_sizes;
};
static_assert(sizeof(OptionalHeader32) == 96);

struct SectionHeader {
  char name[8];
  uint32_t virtual_size;
  uint32_t virtual_address;
  uint32_t size_of_raw_data;
  uint32_t pointer_to_raw_data;
  uint32_t pointer_to_relocations;
  uint32_t pointer_to_line_numbers;
  uint16_t number_of_relocations;
  uint16_t number_of_line_numbers;
  uint32_t characteristics;
};
static_assert(sizeof(SectionHeader) == 40);

struct ImportDescriptor {
  uint32_t lookup_table_rva;  // 0 in some images: then the address table doubles as lookup table
  uint32_t time_date_stamp;
  uint32_t forwarder_chain;
  uint32_t name_rva;
  uint32_t address_table_rva;
};
static_assert(sizeof(ImportDescriptor) == 20);

struct ExportDirectory {
  uint32_t characteristics;
  uint32_t time_date_stamp;
  uint16_t major_version;
  uint16_t minor_version;
  uint32_t name_rva;
  uint32_t ordinal_base;
  uint32_t number_of_functions;
  uint32_t number_of_names;
  uint32_t functions_rva;
  uint32_t names_rva;
  uint32_t name_ordinals_rva;
};
static_assert(sizeof(ExportDirectory) == 40);

// Addresses here are virtual addresses (relocated like any other pointer),
// not RVAs.
struct TlsDirectory32 {
  uint32_t raw_data_start;
  uint32_t raw_data_end;
  uint32_t address_of_index;
  uint32_t address_of_callbacks;
  uint32_t size_of_zero_fill;
  uint32_t characteristics;
};
static_assert(sizeof(TlsDirectory32) == 24);

struct BaseRelocationBlock {
  uint32_t page_rva;
  uint32_t size_of_block;  // header included
};
static_assert(sizeof(BaseRelocationBlock) == 8);

}  // namespace peloader::pe
