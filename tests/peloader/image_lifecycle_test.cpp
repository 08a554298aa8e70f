// The loader driving a DLL built with the full mingw CRT: relocation, both
// calling conventions, the order of TLS callbacks, constructors, DllMain and
// exit routines, the TLS slot stubs, section protections, and the faults it
// must report (an import without a stub, a stdcall mismatch, a faulty entry
// point).
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "peloader/image.h"
#include "tests/peloader/fixtures/lifecycle_events.h"

namespace {

#define STDCALL __attribute__((stdcall))

std::string Fixture(const char* name) { return std::string(PELOADER_FIXTURE_DIR) + "/" + name; }

// Death tests end in abort(); under qemu that would leave a core file.
void WithoutCoreDump() {
  rlimit none = {0, 0};
  setrlimit(RLIMIT_CORE, &none);
}

class LifecycleDllTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    image_ = peloader::Image::Load(Fixture("lifecycle.dll"), &error);
    ASSERT_NE(image_, nullptr) << error;
  }

  template <typename Function>
  Function Stdcall(const char* name, uint32_t argument_bytes) {
    std::string error;
    void* found = image_->FindStdcallExport(name, argument_bytes, &error);
    EXPECT_NE(found, nullptr) << error;
    return reinterpret_cast<Function>(found);
  }

  std::vector<int> AttachEvents() {
    int events[kMaxEvents] = {};
    int count = Stdcall<int(STDCALL*)(int*, int)>("CopyEvents", 8)(events, kMaxEvents);
    return std::vector<int>(events, events + count);
  }

  std::unique_ptr<peloader::Image> image_;
};

TEST_F(LifecycleDllTest, RelocatesAbsoluteAddressesToTheBaseItWasMappedAt) {
  EXPECT_NE(image_->base(), image_->preferred_base());
  std::string error;
  auto* greeting = static_cast<const char**>(image_->FindExport("RelocatedGreeting", &error));
  ASSERT_NE(greeting, nullptr) << error;
  const uintptr_t address = reinterpret_cast<uintptr_t>(*greeting);
  EXPECT_GE(address, image_->base());
  EXPECT_LT(address, image_->base() + image_->size());
  EXPECT_STREQ(*greeting, "relocated");
}

TEST_F(LifecycleDllTest, CallsStdcallAndCdeclExports) {
  EXPECT_EQ(Stdcall<int(STDCALL*)(int, int)>("AddStdcall", 8)(40, 2), 42);
  std::string error;
  auto add_cdecl = reinterpret_cast<int (*)(int, int)>(image_->FindExport("AddCdecl", &error));
  ASSERT_NE(add_cdecl, nullptr) << error;
  EXPECT_EQ(add_cdecl(40, 2), 42);
}

TEST_F(LifecycleDllTest, RunsTlsCallbacksThenConstructorsThenDllMainOnAttach) {
  EXPECT_EQ(AttachEvents(), (std::vector<int>{kTlsAttach, kConstructor, kDllMainAttach}));
}

TEST_F(LifecycleDllTest, RunsTlsCallbacksThenDllMainThenExitRoutinesOnDetach) {
  int host_log[kMaxEvents] = {};
  Stdcall<void(STDCALL*)(int*)>("LogTo", 4)(host_log);
  ASSERT_EQ(Stdcall<int(STDCALL*)()>("ArmExitRoutine", 0)(), 0);
  std::string error;
  ASSERT_TRUE(image_->Unload(&error)) << error;
  EXPECT_EQ(std::vector<int>(host_log, host_log + 3), (std::vector<int>{kTlsDetach, kDllMainDetach, kExitRoutine}));
  EXPECT_EQ(host_log[3], 0) << "an event ran twice";
  EXPECT_TRUE(image_->Unload(&error)) << "a second unload must do nothing";
  EXPECT_EQ(host_log[3], 0);
}

TEST_F(LifecycleDllTest, KeepsTlsSlotValues) {
  EXPECT_EQ(Stdcall<unsigned(STDCALL*)(unsigned)>("RoundTripTlsSlot", 4)(0x5eedu), 0x5eedu);
}

// Addresses in the headers, the code, the read-only data and the data.
struct ImageAddresses {
  uint8_t* header;
  uint8_t* code;
  uint8_t* read_only;
  uint8_t* data;
};

ImageAddresses AddressesIn(peloader::Image& image) {
  std::string error;
  auto* greeting = static_cast<const char**>(image.FindExport("RelocatedGreeting", &error));
  return {reinterpret_cast<uint8_t*>(image.base()), static_cast<uint8_t*>(image.FindExport("AddCdecl", &error)),
          reinterpret_cast<uint8_t*>(const_cast<char*>(*greeting)), reinterpret_cast<uint8_t*>(greeting)};
}

TEST_F(LifecycleDllTest, ReportsTheSectionsProtectionsToTheModule) {
  const ImageAddresses at = AddressesIn(*image_);
  auto query = Stdcall<uint32_t(STDCALL*)(const void*)>("QueryProtection", 4);
  EXPECT_EQ(query(at.header), 0x02u) << "PAGE_READONLY";
  EXPECT_EQ(query(at.code), 0x20u) << "PAGE_EXECUTE_READ";
  EXPECT_EQ(query(at.read_only), 0x02u) << "PAGE_READONLY";
  EXPECT_EQ(query(at.data), 0x04u) << "PAGE_READWRITE";
}

TEST_F(LifecycleDllTest, ReportsAMissingExport) {
  std::string error;
  EXPECT_EQ(image_->FindExport("NoSuchExport", &error), nullptr);
  EXPECT_EQ(error, Fixture("lifecycle.dll") + ": no export named \"NoSuchExport\"");
  EXPECT_EQ(image_->FindStdcallExport("NoSuchExport", 4, &error), nullptr);
  EXPECT_NE(error.find("no export named"), std::string::npos) << error;
}

using LifecycleDllDeathTest = LifecycleDllTest;

TEST_F(LifecycleDllDeathTest, StopsNamingAnImportWithoutAStub) {
  auto call_unstubbed = Stdcall<int(STDCALL*)()>("CallUnstubbed", 0);
  EXPECT_DEATH(
      {
        WithoutCoreDump();
        call_unstubbed();
      },
      "peloader: the module called KERNEL32.dll!Beep, an import this loader has no stub for");
}

TEST_F(LifecycleDllDeathTest, StopsWhenAStdcallExportRemovesOtherArgumentsThanPushed) {
  // AddStdcall takes two arguments; the caller here pushes one.
  auto add_one_argument = Stdcall<int(STDCALL*)(int)>("AddStdcall", 4);
  EXPECT_DEATH(
      {
        WithoutCoreDump();
        add_one_argument(1);
      },
      "stack imbalance: export AddStdcall removed 8 bytes of arguments, the caller pushed 4");
}

TEST_F(LifecycleDllDeathTest, RefusesWritesWhereTheSectionFlagsForbidThem) {
  const ImageAddresses at = AddressesIn(*image_);
  *reinterpret_cast<volatile uint8_t*>(at.data) = *at.data;  // data stays writable
  for (uint8_t* address : {at.header, at.code, at.read_only}) {
    EXPECT_DEATH(
        {
          WithoutCoreDump();
          *reinterpret_cast<volatile uint8_t*>(address) = 0;
        },
        "")
        << static_cast<void*>(address);
  }
}

TEST(FaultyEntryPointTest, FailsTheLoadWithTheReason) {
  const struct {
    const char* fixture;
    const char* reason;
  } kCases[] = {
      {"entry_cdecl.dll",
       "stack imbalance: the entry point (DLL_PROCESS_ATTACH) removed 0 bytes of arguments, the caller pushed 12"},
      {"entry_refuses.dll", "the entry point refused DLL_PROCESS_ATTACH"},
  };
  for (const auto& c : kCases) {
    std::string error;
    EXPECT_EQ(peloader::Image::Load(Fixture(c.fixture), &error), nullptr) << c.fixture;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.fixture << ": " << error;
  }
}

}  // namespace
