#include "peloader/import_binding.h"

#include "peloader/hex.h"
#include "peloader/module_calls.h"
#include "peloader/stub_table.h"

namespace peloader {

namespace {

bool BindTable(MappedImage* image, const pe::ImportDescriptor& descriptor, const char* dll, CodeArena* arena,
               std::deque<std::string>* trap_names, std::string* error) {
  const uint32_t lookup_rva =
      descriptor.lookup_table_rva != 0 ? descriptor.lookup_table_rva : descriptor.address_table_rva;
  for (uint32_t i = 0;; ++i) {
    uint32_t entry = 0;
    if (!image->Read(lookup_rva + 4 * i, &entry) || !image->Contains(descriptor.address_table_rva + 4 * i, 4)) {
      *error = std::string("the import table of ") + dll + " runs outside the image";
      return false;
    }
    if (entry == 0) return true;

    std::string symbol;
    const void* bound = nullptr;
    if ((entry & pe::kImportByOrdinal) != 0) {
      symbol = "#" + std::to_string(entry & 0xffff);
    } else {
      // A hint (two bytes), then the name.
      const char* name = image->CString(entry + 2);
      if (name == nullptr) {
        *error = std::string("import ") + std::to_string(i) + " of " + dll + " names a symbol at " + Hex(entry) +
                 ", outside the image";
        return false;
      }
      symbol = name;
      bound = FindStub(dll, symbol);
    }
    if (bound == nullptr) {
      trap_names->push_back(std::string(dll) + "!" + symbol);
      bound = MakeUnboundImportTrap(arena, trap_names->back().c_str(), error);
      if (bound == nullptr) return false;
    }
    image->Write(descriptor.address_table_rva + 4 * i, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(bound)));
  }
}

}  // namespace

bool BindImports(MappedImage* image, const pe::DataDirectory& directory, CodeArena* arena,
                 std::deque<std::string>* trap_names, std::string* error) {
  if (directory.size == 0) return true;
  // The list ends with a descriptor of zeros, which the directory's size
  // does not always cover; every descriptor is checked against the image.
  for (uint32_t i = 0;; ++i) {
    pe::ImportDescriptor descriptor;
    if (!image->Read(directory.rva + i * sizeof descriptor, &descriptor)) {
      *error = "the import descriptors run outside the image";
      return false;
    }
    if (descriptor.name_rva == 0 && descriptor.address_table_rva == 0) return true;
    const char* dll = image->CString(descriptor.name_rva);
    if (dll == nullptr) {
      *error = "import descriptor " + std::to_string(i) + " names its DLL at " + Hex(descriptor.name_rva) +
               ", outside the image";
      return false;
    }
    if (!BindTable(image, descriptor, dll, arena, trap_names, error)) return false;
  }
}

}  // namespace peloader
