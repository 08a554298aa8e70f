// The small part of a Windows thread environment block that the module's
// CRT reads through the FS segment: the block's own address, the stack
// bounds it uses to tell threads apart at start-up, the last-error value,
// the TlsAlloc slots and the table of the images' implicit TLS blocks.
//
// Modules run on the thread that installed the block; the loader, like the
// modules, is single-threaded.
#pragma once

#include <cstdint>
#include <string>

namespace peloader {

class ThreadBlock {
 public:
  static constexpr uint32_t kSlotCount = 64;          // TlsAlloc slots in the block itself
  static constexpr uint32_t kImplicitTlsCount = 64;   // images with a TLS directory loaded at once

  // The block of the calling thread, pointed to by FS from the first call
  // on. Null with a reason when the segment cannot be set up, or when another
  // thread installed the block already.
  static ThreadBlock* Install(std::string* error);
  // The installed block (for the stubs the module calls), or null.
  static ThreadBlock* Current();

  uint32_t last_error() const;
  void set_last_error(uint32_t value);
  uint32_t process_id() const;
  uint32_t thread_id() const;

  // TlsAlloc, TlsFree, TlsGetValue, TlsSetValue; false for a bad index.
  bool AllocateSlot(uint32_t* index);
  bool FreeSlot(uint32_t index);
  bool GetSlot(uint32_t index, void** value) const;
  bool SetSlot(uint32_t index, void* value);

  // Enters an image's TLS block in the table the image's code indexes with
  // its TLS index; false when the table is full.
  bool AttachImplicitTls(void* block, uint32_t* index);
  void DetachImplicitTls(uint32_t index);

 private:
  ThreadBlock(uint8_t* memory, int tid);
  template <typename T>
  T Field(uint32_t offset) const;
  template <typename T>
  void SetField(uint32_t offset, T value);

  uint8_t* memory_;
  int owner_tid_;
  bool slot_used_[kSlotCount] = {};
  void* implicit_tls_[kImplicitTlsCount] = {};
};

}  // namespace peloader
