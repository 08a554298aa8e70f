// The image's TLS directory: the template of its implicit TLS data, where
// the loader writes the image's TLS index, and the callbacks that run before
// the entry point on attach and on detach.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "peloader/mapped_image.h"
#include "peloader/pe_format.h"

namespace peloader {

struct TlsDirectory {
  bool present = false;
  uint32_t template_rva = 0;
  uint32_t template_size = 0;
  uint32_t zero_fill = 0;
  uint32_t index_rva = 0;
  uint32_t callbacks_rva = 0;  // 0: no callbacks
};

// Reads the (relocated) directory; every address it holds must lie inside
// the image.
bool ReadTlsDirectory(const MappedImage& image, const pe::DataDirectory& directory, TlsDirectory* tls,
                      std::string* error);

// The callbacks' addresses in list order, read when they are about to run
// (the list lives in the image's data), each checked to lie in its code.
bool ReadTlsCallbacks(const MappedImage& image, const TlsDirectory& tls, std::vector<const void*>* callbacks,
                      std::string* error);

}  // namespace peloader
