#include "peloader/export_table.h"

#include "peloader/hex.h"

namespace peloader {

bool ExportTable::Open(const MappedImage* image, const pe::DataDirectory& directory, std::string* error) {
  image_ = image;
  directory_ = directory;
  header_ = {};
  if (directory.size == 0) return true;
  if (directory.size < sizeof header_ || !image->Read(directory.rva, &header_)) {
    *error = "the export directory is truncated";
    return false;
  }
  const uint32_t limit = image->size() / 4;
  if (header_.number_of_functions > limit || header_.number_of_names > limit ||
      !image->Contains(header_.functions_rva, header_.number_of_functions * 4) ||
      !image->Contains(header_.names_rva, header_.number_of_names * 4) ||
      !image->Contains(header_.name_ordinals_rva, header_.number_of_names * 2)) {
    *error = "the export tables lie outside the image";
    return false;
  }
  return true;
}

void* ExportTable::Find(std::string_view name, std::string* error) const {
  const std::string quoted = "\"" + std::string(name) + "\"";
  for (uint32_t i = 0; i < header_.number_of_names; ++i) {
    uint32_t name_rva = 0;
    image_->Read(header_.names_rva + 4 * i, &name_rva);
    const char* candidate = image_->CString(name_rva);
    if (candidate == nullptr) {
      *error = "export name " + std::to_string(i) + " lies outside the image";
      return nullptr;
    }
    if (name != candidate) continue;

    uint16_t index = 0;
    image_->Read(header_.name_ordinals_rva + 2 * i, &index);
    uint32_t rva = 0;
    if (index >= header_.number_of_functions || !image_->Read(header_.functions_rva + 4 * index, &rva)) {
      *error = "export " + quoted + " has an ordinal outside the function table";
      return nullptr;
    }
    if (rva == 0 || !image_->Contains(rva, 1)) {
      *error = "export " + quoted + " at " + Hex(rva) + " lies outside the image";
      return nullptr;
    }
    if (rva >= directory_.rva && rva - directory_.rva < directory_.size) {
      const char* target = image_->CString(rva);
      *error = "export " + quoted + " is forwarded to " + (target != nullptr ? target : "?") +
               ", which this loader does not follow";
      return nullptr;
    }
    return image_->base() + rva;
  }
  *error = "no export named " + quoted;
  return nullptr;
}

}  // namespace peloader
