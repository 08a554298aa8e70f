// What the mingw -win32 CRT asks of kernel32, answered for a single-threaded
// host with no other DLLs: every library it looks for (libgcc's, to share
// frame registration) is reported missing, so the CRT uses its static code.
#include <sched.h>
#include <time.h>

#include <cstdint>

#include "peloader/export_table.h"
#include "peloader/fatal.h"
#include "peloader/mapped_image.h"
#include "peloader/module_registry.h"
#include "peloader/stub_table.h"
#include "peloader/thread_block.h"

namespace peloader {

namespace {

using BOOL = int32_t;
using DWORD = uint32_t;

void SetError(DWORD code) {
  if (ThreadBlock* block = ThreadBlock::Current()) block->set_last_error(code);
}

// The 32-bit CRITICAL_SECTION. Only one thread ever runs module code, so a
// section is a recursion count with an owner; a second owner would be a
// thread this loader does not support.
struct CriticalSection {
  void* debug_info;
  int32_t lock_count;
  int32_t recursion_count;
  DWORD owning_thread;
  void* lock_semaphore;
  uint32_t spin_count;
};
static_assert(sizeof(CriticalSection) == 24);

DWORD CurrentThreadId() { return ThreadBlock::Current() != nullptr ? ThreadBlock::Current()->thread_id() : 1; }

// The MEMORY_BASIC_INFORMATION of 32-bit Windows.
struct MemoryBasicInformation {
  uint32_t base_address;
  uint32_t allocation_base;
  uint32_t allocation_protect;
  uint32_t region_size;
  uint32_t state;
  uint32_t protect;
  uint32_t type;
};
static_assert(sizeof(MemoryBasicInformation) == 28);
constexpr uint32_t kMemCommit = 0x1000;
constexpr uint32_t kMemImage = 0x1000000;

// Stands for the host program when a module asks for the handle of "the
// executable"; no export is ever found in it.
const char kHostModule[16] = "peloader host";

namespace kernel32 {

void PELOADER_WINAPI InitializeCriticalSection(CriticalSection* section) {
  *section = CriticalSection();
  section->lock_count = -1;
}

void PELOADER_WINAPI DeleteCriticalSection(CriticalSection* section) { *section = CriticalSection(); }

void PELOADER_WINAPI EnterCriticalSection(CriticalSection* section) {
  const DWORD self = CurrentThreadId();
  if (section->recursion_count > 0 && section->owning_thread != self) {
    Fatal("EnterCriticalSection: the section is held by thread " + std::to_string(section->owning_thread));
  }
  section->owning_thread = self;
  ++section->recursion_count;
  ++section->lock_count;
}

void PELOADER_WINAPI LeaveCriticalSection(CriticalSection* section) {
  if (section->recursion_count <= 0 || section->owning_thread != CurrentThreadId()) {
    Fatal("LeaveCriticalSection on a section this thread does not hold");
  }
  --section->lock_count;
  if (--section->recursion_count == 0) section->owning_thread = 0;
}

DWORD PELOADER_WINAPI GetLastError() {
  return ThreadBlock::Current() != nullptr ? ThreadBlock::Current()->last_error() : 0;
}

void PELOADER_WINAPI SetLastError(DWORD code) { SetError(code); }

DWORD PELOADER_WINAPI GetCurrentThreadId() { return CurrentThreadId(); }

DWORD PELOADER_WINAPI GetCurrentProcessId() {
  return ThreadBlock::Current() != nullptr ? ThreadBlock::Current()->process_id() : 1;
}

DWORD PELOADER_WINAPI TlsAlloc() {
  uint32_t index = 0;
  ThreadBlock* block = ThreadBlock::Current();
  if (block == nullptr || !block->AllocateSlot(&index)) return 0xffffffffu;  // TLS_OUT_OF_INDEXES
  return index;
}

BOOL PELOADER_WINAPI TlsFree(DWORD index) {
  ThreadBlock* block = ThreadBlock::Current();
  if (block == nullptr || !block->FreeSlot(index)) {
    SetError(win_error::kInvalidParameter);
    return 0;
  }
  return 1;
}

void* PELOADER_WINAPI TlsGetValue(DWORD index) {
  void* value = nullptr;
  ThreadBlock* block = ThreadBlock::Current();
  if (block == nullptr || !block->GetSlot(index, &value)) {
    SetError(win_error::kInvalidParameter);
    return nullptr;
  }
  // Callers tell a stored null from a failure by the last error.
  block->set_last_error(0);
  return value;
}

BOOL PELOADER_WINAPI TlsSetValue(DWORD index, void* value) {
  ThreadBlock* block = ThreadBlock::Current();
  if (block == nullptr || !block->SetSlot(index, value)) {
    SetError(win_error::kInvalidParameter);
    return 0;
  }
  return 1;
}

void* PELOADER_WINAPI GetModuleHandleA(const char* name) {
  if (name == nullptr) return const_cast<char*>(kHostModule);
  SetError(win_error::kModuleNotFound);
  return nullptr;
}

void* PELOADER_WINAPI GetModuleHandleW(const char16_t* name) {
  if (name == nullptr) return const_cast<char*>(kHostModule);
  SetError(win_error::kModuleNotFound);
  return nullptr;
}

void* PELOADER_WINAPI LoadLibraryA(const char*) {
  SetError(win_error::kModuleNotFound);
  return nullptr;
}

void* PELOADER_WINAPI LoadLibraryW(const char16_t*) {
  SetError(win_error::kModuleNotFound);
  return nullptr;
}

// LoadLibrary never succeeds, so no handle may be freed.
BOOL PELOADER_WINAPI FreeLibrary(void*) {
  SetError(win_error::kInvalidHandle);
  return 0;
}

// Finds exports of the loaded images themselves (the handle DllMain
// receives); any other module has none.
void* PELOADER_WINAPI GetProcAddress(void* module, const char* name) {
  const ExportTable* exports = ExportsOfModule(module);
  // A name below 0x10000 is an ordinal; exports are found by name only.
  if (exports != nullptr && reinterpret_cast<uintptr_t>(name) > 0xffff) {
    std::string ignored;
    if (void* found = exports->Find(name, &ignored)) return found;
  }
  SetError(win_error::kProcedureNotFound);
  return nullptr;
}

uint32_t PELOADER_WINAPI VirtualQuery(const void* address, MemoryBasicInformation* info, uint32_t length) {
  if (length < sizeof(MemoryBasicInformation)) {
    SetError(win_error::kBadLength);
    return 0;
  }
  MappedImage* image = ImageContaining(address);
  if (image == nullptr) {
    SetError(win_error::kInvalidParameter);
    return 0;
  }
  uint32_t rva = 0;
  image->RvaOf(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(address)), &rva);
  const MappedImage::Region region = image->RegionAt(rva);
  info->base_address = image->address() + region.rva;
  info->allocation_base = image->address();
  info->allocation_protect = page::kExecuteWriteCopy;
  info->region_size = region.size;
  info->state = kMemCommit;
  info->protect = region.protection;
  info->type = kMemImage;
  return sizeof(MemoryBasicInformation);
}

BOOL PELOADER_WINAPI VirtualProtect(void* address, uint32_t size, DWORD protection, DWORD* old_protection) {
  MappedImage* image = ImageContaining(address);
  uint32_t rva = 0;
  if (image == nullptr || !image->RvaOf(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(address)), &rva)) {
    SetError(win_error::kInvalidAddress);
    return 0;
  }
  if (old_protection == nullptr || !image->Protect(rva, size, protection, old_protection)) {
    SetError(win_error::kInvalidParameter);
    return 0;
  }
  return 1;
}

void PELOADER_WINAPI Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  timespec wait = {static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  nanosleep(&wait, nullptr);
}

}  // namespace kernel32

#define STUB(name) {#name, reinterpret_cast<const void*>(&kernel32::name)}
const Stub kStubs[] = {
    STUB(DeleteCriticalSection), STUB(EnterCriticalSection), STUB(FreeLibrary),
    STUB(GetCurrentProcessId),   STUB(GetCurrentThreadId),   STUB(GetLastError),
    STUB(GetModuleHandleA),      STUB(GetModuleHandleW),     STUB(GetProcAddress),
    STUB(InitializeCriticalSection), STUB(LeaveCriticalSection), STUB(LoadLibraryA),
    STUB(LoadLibraryW),          STUB(SetLastError),         STUB(Sleep),
    STUB(TlsAlloc),              STUB(TlsFree),              STUB(TlsGetValue),
    STUB(TlsSetValue),           STUB(VirtualProtect),       STUB(VirtualQuery),
};
#undef STUB

}  // namespace

StubList Kernel32Stubs() { return {kStubs, sizeof kStubs / sizeof kStubs[0]}; }

}  // namespace peloader
