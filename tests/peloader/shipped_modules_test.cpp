// The shipped .rdx files themselves through the loader: both loaded at once
// away from their preferred bases, their three exports called with the
// stack checked, and a clean unload (their exit routines included).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "peloader/image.h"
#include "tests/peloader/pe_file_patch.h"

namespace {

#define STDCALL __attribute__((stdcall))

constexpr int32_t kOk = 0;

TEST(ShippedModulesTest, LoadCallAndUnloadTogether) {
  const std::string paths[] = {PELOADER_PINMARK_RDX, PELOADER_TWINFLIP_RDX};
  std::unique_ptr<peloader::Image> images[2];
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(peloader::HasDosSignature(paths[i]));
    std::string error;
    images[i] = peloader::Image::Load(paths[i], &error);
    ASSERT_NE(images[i], nullptr) << error;
    EXPECT_NE(images[i]->base(), images[i]->preferred_base());
  }
  for (auto& image : images) {
    SCOPED_TRACE(image->path());
    std::string error;
    // The export table's three entries, with the argument sizes of their
    // stdcall signatures (the decorations in the .def file).
    ASSERT_NE(image->FindStdcallExport("DllInitRDCom", 4, &error), nullptr) << error;
    ASSERT_NE(image->FindStdcallExport("DllGetClassObject", 12, &error), nullptr) << error;
    auto can_unload_now = reinterpret_cast<int32_t(STDCALL*)()>(image->FindStdcallExport("DllCanUnloadNow", 0, &error));
    ASSERT_NE(can_unload_now, nullptr) << error;
    EXPECT_EQ(can_unload_now(), kOk) << "no objects exist yet";
  }
  for (auto& image : images) {
    std::string error;
    EXPECT_TRUE(image->Unload(&error)) << error;
  }
}

TEST(ShippedModulesTest, AModuleMarkedUnrelocatableGetsItsPreferredBase) {
  peloader_test::PeFilePatch file(peloader_test::ReadFile(PELOADER_PINMARK_RDX));
  const uint32_t characteristics_offset = file.optional_header() - 2;
  file.Write16(characteristics_offset, static_cast<uint16_t>(file.Read32(characteristics_offset) | 0x0001));
  const std::string path = peloader_test::WriteTempFile("unrelocatable.rdx", file.bytes());
  std::string error;
  std::unique_ptr<peloader::Image> image = peloader::Image::Load(path, &error);
  ASSERT_NE(image, nullptr) << error;
  EXPECT_EQ(image->base(), image->preferred_base());
  auto can_unload_now = reinterpret_cast<int32_t(STDCALL*)()>(image->FindStdcallExport("DllCanUnloadNow", 0, &error));
  ASSERT_NE(can_unload_now, nullptr) << error;
  EXPECT_EQ(can_unload_now(), kOk);
}

TEST(ShippedModulesTest, OnlyPeFilesAreMeantForTheLoader) {
  EXPECT_TRUE(peloader::HasDosSignature(PELOADER_PINMARK_RDX));
  EXPECT_FALSE(peloader::HasDosSignature("/proc/self/exe"));
  EXPECT_FALSE(peloader::HasDosSignature("/nonexistent"));
}

}  // namespace
