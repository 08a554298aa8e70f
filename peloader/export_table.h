// Finds a DLL's exports by name.
#pragma once

#include <string>
#include <string_view>

#include "peloader/mapped_image.h"
#include "peloader/pe_format.h"

namespace peloader {

class ExportTable {
 public:
  // Checks that the directory's three tables lie inside the image; the
  // names and addresses they point to are checked when they are looked up.
  bool Open(const MappedImage* image, const pe::DataDirectory& directory, std::string* error);

  // The export's address in the mapped image, or null with a reason.
  // Forwarded exports are reported, not followed.
  void* Find(std::string_view name, std::string* error) const;

 private:
  const MappedImage* image_ = nullptr;
  pe::DataDirectory directory_ = {};
  pe::ExportDirectory header_ = {};
};

}  // namespace peloader
