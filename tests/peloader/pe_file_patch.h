// Reading and damaging copies of PE files, for the tests that hand the
// loader bad input. Offsets are found from the file's own headers, so the
// damage lands on the same field whatever the linker laid out.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace peloader_test {

std::vector<uint8_t> ReadFile(const std::string& path);
// Writes `bytes` to a fresh file under the test temporary directory.
std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes);

class PeFilePatch {
 public:
  explicit PeFilePatch(std::vector<uint8_t> bytes);

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t>& bytes() { return bytes_; }

  uint32_t optional_header() const { return optional_; }
  uint32_t directory(uint32_t index) const { return optional_ + 96 + 8 * index; }
  uint32_t section_header(uint32_t index) const;
  uint32_t size_of_image() const { return Read32(optional_ + 56); }
  // The file offset of an RVA inside one of the sections.
  uint32_t FileOffset(uint32_t rva) const;

  uint32_t Read32(uint32_t offset) const;
  void Write16(uint32_t offset, uint16_t value);
  void Write32(uint32_t offset, uint32_t value);

 private:
  std::vector<uint8_t> bytes_;
  uint32_t file_header_ = 0;
  uint32_t optional_ = 0;
};

}  // namespace peloader_test
