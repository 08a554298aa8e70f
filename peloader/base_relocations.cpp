#include "peloader/base_relocations.h"

#include "peloader/hex.h"

namespace peloader {

bool ApplyBaseRelocations(MappedImage* image, const pe::DataDirectory& directory, uint32_t delta,
                          std::string* error) {
  uint32_t offset = 0;
  while (offset < directory.size) {
    const uint32_t block_rva = directory.rva + offset;
    pe::BaseRelocationBlock block;
    if (directory.size - offset < sizeof block || !image->Read(block_rva, &block)) {
      *error = "the relocation block at " + Hex(block_rva) + " is truncated";
      return false;
    }
    if (block.size_of_block < sizeof block || block.size_of_block > directory.size - offset ||
        block.size_of_block % 2 != 0) {
      *error = "the relocation block at " + Hex(block_rva) + " has an invalid size " + Hex(block.size_of_block);
      return false;
    }
    const uint32_t entries = (block.size_of_block - sizeof block) / 2;
    for (uint32_t i = 0; i < entries; ++i) {
      uint16_t entry = 0;
      image->Read(block_rva + sizeof block + 2 * i, &entry);
      const uint16_t type = entry >> 12;
      const uint32_t site = block.page_rva + (entry & 0x0fff);
      if (type == pe::kRelocationAbsolute) continue;
      if (type != pe::kRelocationHighLow) {
        *error = "relocation type " + std::to_string(type) + " at " + Hex(site) + " is not supported";
        return false;
      }
      uint32_t value = 0;
      if (!image->Read(site, &value)) {
        *error = "a relocation at " + Hex(site) + " lies outside the image";
        return false;
      }
      image->Write(site, value + delta);
    }
    offset += block.size_of_block;
  }
  return true;
}

}  // namespace peloader
