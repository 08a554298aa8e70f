// A test-only loader for 32-bit Windows DLLs, so that the i386 Linux test
// programs (run under qemu-i386) can load the shipped .rdx files and run
// their real code: sections mapped with the protections they ask for, base
// relocations applied, imports bound to small kernel32/msvcrt stand-ins (or
// to a trap that names an import with no stand-in), a fake thread block
// behind FS, TLS callbacks and DllMain run on load and on unload, and the
// stack pointer checked around every call into the module.
//
// Single-threaded: load, call and unload on one thread.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace peloader {

class CodeArena;
class ExportTable;
class MappedImage;
struct CheckedTarget;
struct ImageLayout;
struct TlsDirectory;

class Image {
 public:
  // Loads the DLL at `path` and runs its TLS callbacks and entry point for
  // DLL_PROCESS_ATTACH. Null, with "<path>: <reason>" in `error`, when the
  // file is not a PE32 i386 DLL, is inconsistent, or its start-up fails or
  // moves the stack.
  static std::unique_ptr<Image> Load(const std::string& path, std::string* error);

  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  // Unloads (see Unload); a fault while unloading ends the process, since a
  // destructor cannot report it.
  ~Image();

  // Runs the TLS callbacks and the entry point for DLL_PROCESS_DETACH (where
  // the module's CRT runs its atexit routines) and unmaps the image. False
  // with a reason when one of them moved the stack; the image is unmapped
  // either way. Calling it again does nothing.
  bool Unload(std::string* error);

  // The raw address of an export, for data and for calls whose convention
  // the caller checks itself. Null with a reason when there is none.
  void* FindExport(std::string_view name, std::string* error) const;

  // An address with the same stdcall signature as the export that checks
  // each call: the callee must remove exactly `argument_bytes` (a multiple of
  // 4) of arguments, or the process ends naming the export. Valid until the
  // image is unloaded.
  void* FindStdcallExport(std::string_view name, uint32_t argument_bytes, std::string* error);

  const std::string& path() const { return path_; }
  uintptr_t base() const;
  uint32_t preferred_base() const { return preferred_base_; }
  uint32_t size() const;

 private:
  Image();
  bool Start(const ImageLayout& layout, const std::vector<uint8_t>& file, std::string* error);
  bool RunTlsCallbacks(uint32_t reason, std::string* error);
  bool CallEntry(uint32_t reason, uint32_t* result, std::string* error);
  void Release();

  std::string path_;
  uint32_t preferred_base_ = 0;
  uint32_t entry_rva_ = 0;
  std::unique_ptr<MappedImage> mapping_;
  std::unique_ptr<ExportTable> exports_;
  std::unique_ptr<TlsDirectory> tls_;
  std::unique_ptr<CodeArena> code_;
  std::deque<std::string> trap_names_;
  std::deque<CheckedTarget> checked_targets_;
  std::deque<std::string> checked_names_;
  std::map<std::pair<std::string, uint32_t>, void*> checked_thunks_;
  void* tls_block_ = nullptr;
  uint32_t tls_index_ = 0;
  bool tls_attached_ = false;
  bool registered_ = false;
  bool attached_ = false;
};

// True when the file at `path` starts with the DOS signature "MZ": the file
// is meant for this loader rather than the platform's.
bool HasDosSignature(const std::string& path);

}  // namespace peloader
