// Files the loader must refuse with a clear reason and without crashing:
// other formats, truncated files and copies of a shipped module with one
// header field pointing outside the image.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "peloader/image.h"
#include "tests/peloader/pe_file_patch.h"

namespace {

using peloader_test::PeFilePatch;
using peloader_test::ReadFile;

std::string Fixture(const char* name) { return std::string(PELOADER_FIXTURE_DIR) + "/" + name; }

std::vector<uint8_t> Truncated(const std::string& path, size_t size) {
  std::vector<uint8_t> bytes = ReadFile(path);
  bytes.resize(std::min(size, bytes.size()));
  return bytes;
}

// A copy of the shipped module with `damage` applied.
std::vector<uint8_t> Damaged(const std::function<void(PeFilePatch&)>& damage) {
  PeFilePatch file(ReadFile(PELOADER_PINMARK_RDX));
  damage(file);
  return file.bytes();
}

uint32_t DirectoryFileOffset(const PeFilePatch& file, uint32_t index) {
  return file.FileOffset(file.Read32(file.directory(index)));
}

struct BadInput {
  const char* name;
  std::function<std::vector<uint8_t>()> bytes;  // empty: load `path` as it is
  std::string path;
  const char* reason;
};

class BadInputTest : public testing::TestWithParam<BadInput> {};

TEST_P(BadInputTest, IsRefusedWithItsReason) {
  const BadInput& input = GetParam();
  const std::string path =
      input.bytes ? peloader_test::WriteTempFile(std::string(input.name) + ".dll", input.bytes()) : input.path;
  std::string error;
  std::unique_ptr<peloader::Image> image = peloader::Image::Load(path, &error);
  EXPECT_EQ(image, nullptr);
  EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
  EXPECT_NE(error.find(input.reason), std::string::npos) << error;
}

const BadInput kBadInputs[] = {
    // Not a PE32 i386 DLL.
    {"MissingFile", nullptr, "/nonexistent/OrvelPinmark.rdx", "cannot open"},
    {"EmptyFile", [] { return std::vector<uint8_t>(); }, "", "empty"},
    {"ElfProgram", nullptr, "/proc/self/exe", "no MZ signature"},
    {"X86_64Dll", nullptr, Fixture("x86_64.dll"), "machine type 0x8664 is not i386"},
    {"Program", nullptr, Fixture("program.exe"), "not a DLL"},
    {"Pe32PlusMagic", [] { return Damaged([](PeFilePatch& f) { f.Write16(f.optional_header(), 0x20b); }); }, "",
     "PE32+"},
    // Truncated.
    {"TruncatedToDosHeader", [] { return Truncated(PELOADER_PINMARK_RDX, 64); }, "", "beyond the end of the file"},
    {"TruncatedInOptionalHeader",
     [] { return Truncated(PELOADER_PINMARK_RDX, PeFilePatch(ReadFile(PELOADER_PINMARK_RDX)).optional_header() + 8); },
     "", "optional header is truncated"},
    {"TruncatedInSections", [] { return Truncated(PELOADER_PINMARK_RDX, 0x1000); }, "", "truncated"},
    // Headers pointing outside the image.
    {"SectionOutsideImage",
     [] { return Damaged([](PeFilePatch& f) { f.Write32(f.section_header(0) + 12, f.size_of_image()); }); }, "",
     "section .text"},
    {"TooManyDirectories", [] { return Damaged([](PeFilePatch& f) { f.Write32(f.optional_header() + 92, 17); }); },
     "", "data directories"},
    {"ImportDirectoryOutsideImage",
     [] { return Damaged([](PeFilePatch& f) { f.Write32(f.directory(1), f.size_of_image()); }); }, "",
     "import directory"},
    {"ImportDllNameOutsideImage",
     [] { return Damaged([](PeFilePatch& f) { f.Write32(DirectoryFileOffset(f, 1) + 12, 0x7ffffff0); }); }, "",
     "names its DLL at 0x7ffffff0, outside the image"},
    {"ImportSymbolOutsideImage",
     [] {
       return Damaged([](PeFilePatch& f) {
         const uint32_t lookup_table = f.Read32(DirectoryFileOffset(f, 1));
         f.Write32(f.FileOffset(lookup_table), 0x7ffffff0);
       });
     },
     "", "names a symbol at 0x7ffffff0, outside the image"},
    {"ExportDirectoryOutsideImage",
     [] { return Damaged([](PeFilePatch& f) { f.Write32(f.directory(0), f.size_of_image() - 8); }); }, "",
     "export directory"},
    {"RelocationBlockSize",
     [] { return Damaged([](PeFilePatch& f) { f.Write32(DirectoryFileOffset(f, 5) + 4, 6); }); }, "",
     "invalid size"},
    {"RelocationType",
     [] { return Damaged([](PeFilePatch& f) { f.Write16(DirectoryFileOffset(f, 5) + 8, 0xa000); }); }, "",
     "relocation type 10"},
    {"TlsCallbackOutsideCode",
     [] {
       return Damaged([](PeFilePatch& f) {
         const uint32_t image_base = f.Read32(f.optional_header() + 28);
         const uint32_t callbacks = f.Read32(DirectoryFileOffset(f, 9) + 12);
         const uint32_t first = f.FileOffset(callbacks - image_base);
         ASSERT_NE(f.Read32(first), 0u) << "the module has no TLS callback to damage";
         f.Write32(first, image_base + f.size_of_image() + 0x1000);
       });
     },
     "", "TLS callback 0"},
};

INSTANTIATE_TEST_SUITE_P(Loader, BadInputTest, testing::ValuesIn(kBadInputs),
                         [](const testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });

}  // namespace
