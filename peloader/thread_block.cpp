#include "peloader/thread_block.h"

#include <asm/ldt.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>

namespace peloader {

namespace {

// Offsets in the 32-bit thread environment block.
constexpr uint32_t kExceptionList = 0x00;
constexpr uint32_t kStackBase = 0x04;
constexpr uint32_t kStackLimit = 0x08;
constexpr uint32_t kSelf = 0x18;
constexpr uint32_t kProcessId = 0x20;
constexpr uint32_t kThreadId = 0x24;
constexpr uint32_t kThreadLocalStoragePointer = 0x2c;
constexpr uint32_t kProcessEnvironmentBlock = 0x30;
constexpr uint32_t kLastErrorValue = 0x34;
constexpr uint32_t kTlsSlots = 0xe10;
// The block and a zeroed stand-in for the process environment block after it.
constexpr uint32_t kBlockSize = 0x1000;
constexpr uint32_t kMemorySize = 0x2000;

ThreadBlock* g_installed = nullptr;

void StackBounds(uint32_t* base, uint32_t* limit) {
  pthread_attr_t attributes;
  void* low = nullptr;
  size_t size = 0;
  if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
    pthread_attr_getstack(&attributes, &low, &size);
    pthread_attr_destroy(&attributes);
  }
  if (low == nullptr) {
    // Without the real bounds, a range around the current frame still gives
    // the CRT a stable, thread-specific value.
    uintptr_t here = reinterpret_cast<uintptr_t>(&attributes);
    low = reinterpret_cast<void*>((here & ~uintptr_t{0xfff}) - 0x100000);
    size = 0x101000;
  }
  *limit = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(low));
  *base = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(low) + size);
}

bool PointFsAt(uint8_t* block, std::string* error) {
  user_desc descriptor = {};
  descriptor.entry_number = static_cast<unsigned>(-1);
  descriptor.base_addr = static_cast<unsigned>(reinterpret_cast<uintptr_t>(block));
  descriptor.limit = kBlockSize - 1;
  descriptor.seg_32bit = 1;
  descriptor.contents = 0;  // data
  descriptor.read_exec_only = 0;
  descriptor.limit_in_pages = 0;
  descriptor.seg_not_present = 0;
  descriptor.useable = 1;
  if (syscall(SYS_set_thread_area, &descriptor) != 0) {
    *error = "set_thread_area failed: cannot give the module a thread block";
    return false;
  }
  const uint16_t selector = static_cast<uint16_t>((descriptor.entry_number << 3) | 3);
  asm volatile("movw %w0, %%fs" : : "q"(selector));
  uint32_t self = 0;
  asm volatile("movl %%fs:0x18, %0" : "=r"(self));
  if (self != descriptor.base_addr) {
    *error = "FS does not reach the thread block";
    return false;
  }
  return true;
}

}  // namespace

ThreadBlock::ThreadBlock(uint8_t* memory, int tid) : memory_(memory), owner_tid_(tid) {}

ThreadBlock* ThreadBlock::Install(std::string* error) {
  const int tid = static_cast<int>(syscall(SYS_gettid));
  if (g_installed != nullptr) {
    if (g_installed->owner_tid_ == tid) return g_installed;
    *error = "modules run on one thread only: thread " + std::to_string(g_installed->owner_tid_) +
             " holds the thread block";
    return nullptr;
  }
  void* memory = mmap(nullptr, kMemorySize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) {
    *error = "cannot allocate the thread block";
    return nullptr;
  }
  // Lives as long as the process: the module may read FS until it is gone.
  ThreadBlock* block = new ThreadBlock(static_cast<uint8_t*>(memory), tid);
  uint32_t stack_base = 0;
  uint32_t stack_limit = 0;
  StackBounds(&stack_base, &stack_limit);
  const uint32_t self = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(memory));
  block->SetField<uint32_t>(kExceptionList, 0xffffffffu);  // end of the handler chain
  block->SetField(kStackBase, stack_base);
  block->SetField(kStackLimit, stack_limit);
  block->SetField(kSelf, self);
  block->SetField(kProcessId, static_cast<uint32_t>(getpid()));
  block->SetField(kThreadId, static_cast<uint32_t>(tid));
  block->SetField(kThreadLocalStoragePointer,
                  static_cast<uint32_t>(reinterpret_cast<uintptr_t>(block->implicit_tls_)));
  block->SetField(kProcessEnvironmentBlock, self + kBlockSize);
  if (!PointFsAt(block->memory_, error)) {
    munmap(memory, kMemorySize);
    delete block;
    return nullptr;
  }
  g_installed = block;
  return block;
}

ThreadBlock* ThreadBlock::Current() { return g_installed; }

template <typename T>
T ThreadBlock::Field(uint32_t offset) const {
  T value;
  std::memcpy(&value, memory_ + offset, sizeof value);
  return value;
}

template <typename T>
void ThreadBlock::SetField(uint32_t offset, T value) {
  std::memcpy(memory_ + offset, &value, sizeof value);
}

uint32_t ThreadBlock::last_error() const { return Field<uint32_t>(kLastErrorValue); }
void ThreadBlock::set_last_error(uint32_t value) { SetField(kLastErrorValue, value); }
uint32_t ThreadBlock::process_id() const { return Field<uint32_t>(kProcessId); }
uint32_t ThreadBlock::thread_id() const { return Field<uint32_t>(kThreadId); }

bool ThreadBlock::AllocateSlot(uint32_t* index) {
  for (uint32_t i = 0; i < kSlotCount; ++i) {
    if (slot_used_[i]) continue;
    slot_used_[i] = true;
    SetField<uint32_t>(kTlsSlots + 4 * i, 0);
    *index = i;
    return true;
  }
  return false;
}

bool ThreadBlock::FreeSlot(uint32_t index) {
  if (index >= kSlotCount || !slot_used_[index]) return false;
  slot_used_[index] = false;
  SetField<uint32_t>(kTlsSlots + 4 * index, 0);
  return true;
}

bool ThreadBlock::GetSlot(uint32_t index, void** value) const {
  if (index >= kSlotCount) return false;
  *value = reinterpret_cast<void*>(static_cast<uintptr_t>(Field<uint32_t>(kTlsSlots + 4 * index)));
  return true;
}

bool ThreadBlock::SetSlot(uint32_t index, void* value) {
  if (index >= kSlotCount) return false;
  SetField(kTlsSlots + 4 * index, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value)));
  return true;
}

bool ThreadBlock::AttachImplicitTls(void* block, uint32_t* index) {
  for (uint32_t i = 0; i < kImplicitTlsCount; ++i) {
    if (implicit_tls_[i] != nullptr) continue;
    implicit_tls_[i] = block;
    *index = i;
    return true;
  }
  return false;
}

void ThreadBlock::DetachImplicitTls(uint32_t index) {
  if (index < kImplicitTlsCount) implicit_tls_[index] = nullptr;
}

}  // namespace peloader
