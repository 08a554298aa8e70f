#include "peloader/tls_directory.h"

#include "peloader/hex.h"

namespace peloader {

namespace {
// A list longer than this has lost its terminating null.
constexpr uint32_t kMaxCallbacks = 256;
}

bool ReadTlsDirectory(const MappedImage& image, const pe::DataDirectory& directory, TlsDirectory* tls,
                      std::string* error) {
  *tls = TlsDirectory();
  if (directory.size == 0) return true;
  pe::TlsDirectory32 raw;
  if (directory.size < sizeof raw || !image.Read(directory.rva, &raw)) {
    *error = "the TLS directory is truncated";
    return false;
  }
  uint32_t end_rva = 0;
  if (!image.RvaOf(raw.raw_data_start, &tls->template_rva) || raw.raw_data_end < raw.raw_data_start ||
      (raw.raw_data_end != raw.raw_data_start && !image.RvaOf(raw.raw_data_end - 1, &end_rva))) {
    *error = "the TLS template [" + Hex(raw.raw_data_start) + ", " + Hex(raw.raw_data_end) + ") lies outside the image";
    return false;
  }
  tls->template_size = raw.raw_data_end - raw.raw_data_start;
  if (raw.size_of_zero_fill > image.size()) {
    *error = "the TLS zero fill " + Hex(raw.size_of_zero_fill) + " is implausible";
    return false;
  }
  tls->zero_fill = raw.size_of_zero_fill;
  if (!image.RvaOf(raw.address_of_index, &tls->index_rva) || !image.Contains(tls->index_rva, 4)) {
    *error = "the TLS index at " + Hex(raw.address_of_index) + " lies outside the image";
    return false;
  }
  if (raw.address_of_callbacks != 0 && !image.RvaOf(raw.address_of_callbacks, &tls->callbacks_rva)) {
    *error = "the TLS callback list at " + Hex(raw.address_of_callbacks) + " lies outside the image";
    return false;
  }
  tls->present = true;
  return true;
}

bool ReadTlsCallbacks(const MappedImage& image, const TlsDirectory& tls, std::vector<const void*>* callbacks,
                      std::string* error) {
  callbacks->clear();
  if (!tls.present || tls.callbacks_rva == 0) return true;
  for (uint32_t i = 0; i < kMaxCallbacks; ++i) {
    uint32_t address = 0;
    if (!image.Read(tls.callbacks_rva + 4 * i, &address)) {
      *error = "the TLS callback list runs off the end of the image";
      return false;
    }
    if (address == 0) return true;
    uint32_t rva = 0;
    if (!image.RvaOf(address, &rva) || !image.IsExecutable(rva)) {
      *error = "TLS callback " + std::to_string(i) + " at " + Hex(address) + " lies outside the image's code";
      return false;
    }
    callbacks->push_back(image.base() + rva);
  }
  *error = "the TLS callback list has no end";
  return false;
}

}  // namespace peloader
