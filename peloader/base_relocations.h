// Moves the image's absolute addresses from its preferred base to the base
// it was mapped at.
#pragma once

#include <cstdint>
#include <string>

#include "peloader/mapped_image.h"
#include "peloader/pe_format.h"

namespace peloader {

// Adds `delta` (mapped base minus preferred base, modulo 2^32) to every
// 32-bit address the relocation directory lists. False, with the image left
// half patched, for a block or a fix-up outside the image or a relocation
// type other than padding and 32-bit addresses.
bool ApplyBaseRelocations(MappedImage* image, const pe::DataDirectory& directory, uint32_t delta,
                          std::string* error);

}  // namespace peloader
