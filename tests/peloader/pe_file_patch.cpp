#include "tests/peloader/pe_file_patch.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace peloader_test {

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << "missing test input " << path;
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = testing::TempDir() + "peloader_" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  EXPECT_TRUE(out.good()) << "cannot write " << path;
  return path;
}

PeFilePatch::PeFilePatch(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
  file_header_ = Read32(0x3c) + 4;
  optional_ = file_header_ + 20;
}

uint32_t PeFilePatch::section_header(uint32_t index) const {
  const uint32_t optional_size = Read32(file_header_ + 16) & 0xffff;
  return optional_ + optional_size + 40 * index;
}

uint32_t PeFilePatch::FileOffset(uint32_t rva) const {
  const uint32_t count = Read32(file_header_) >> 16;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t header = section_header(i);
    const uint32_t start = Read32(header + 12);
    const uint32_t raw_size = Read32(header + 16);
    if (rva >= start && rva - start < raw_size) return Read32(header + 20) + (rva - start);
  }
  ADD_FAILURE() << "RVA " << rva << " is in no section";
  return 0;
}

uint32_t PeFilePatch::Read32(uint32_t offset) const {
  uint32_t value = 0;
  if (offset + 4 <= bytes_.size()) std::memcpy(&value, bytes_.data() + offset, 4);
  return value;
}

void PeFilePatch::Write16(uint32_t offset, uint16_t value) {
  ASSERT_LE(offset + 2, bytes_.size());
  std::memcpy(bytes_.data() + offset, &value, 2);
}

void PeFilePatch::Write32(uint32_t offset, uint32_t value) {
  ASSERT_LE(offset + 4, bytes_.size());
  std::memcpy(bytes_.data() + offset, &value, 4);
}

}  // namespace peloader_test
