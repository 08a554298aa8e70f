// Fills the image's import address tables: each import gets its stub, or a
// trap that names it if the module ever calls it.
#pragma once

#include <deque>
#include <string>

#include "peloader/code_arena.h"
#include "peloader/mapped_image.h"
#include "peloader/pe_format.h"

namespace peloader {

// `trap_names` keeps the "DLL!name" texts the traps print; it and `arena`
// must outlive the image. False for a descriptor, name or table outside the
// image.
bool BindImports(MappedImage* image, const pe::DataDirectory& directory, CodeArena* arena,
                 std::deque<std::string>* trap_names, std::string* error);

}  // namespace peloader
