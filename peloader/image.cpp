#include "peloader/image.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "peloader/base_relocations.h"
#include "peloader/code_arena.h"
#include "peloader/export_table.h"
#include "peloader/fatal.h"
#include "peloader/hex.h"
#include "peloader/image_layout.h"
#include "peloader/import_binding.h"
#include "peloader/mapped_image.h"
#include "peloader/module_calls.h"
#include "peloader/module_registry.h"
#include "peloader/thread_block.h"
#include "peloader/tls_directory.h"

namespace peloader {

namespace {

// Anything larger is not a file this loader is meant for.
constexpr std::streamoff kMaxFileSize = 256 << 20;
// The image's TLS block is copied from the template; a zero-sized block
// still needs an address of its own.
constexpr uint32_t kMinTlsBlock = 4;

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) {
    *error = "cannot open the file";
    return false;
  }
  const std::streamoff size = in.tellg();
  if (size < 0 || size > kMaxFileSize) {
    *error = "the file's size is implausible for a DLL";
    return false;
  }
  bytes->resize(static_cast<size_t>(size));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(bytes->data()), size)) {
    *error = "cannot read the file";
    return false;
  }
  return true;
}

const char* ReasonName(uint32_t reason) {
  return reason == pe::kProcessAttach ? "DLL_PROCESS_ATTACH" : "DLL_PROCESS_DETACH";
}

}  // namespace

Image::Image() = default;

Image::~Image() {
  std::string error;
  if (!Unload(&error)) Fatal(path_ + ": " + error);
}

uintptr_t Image::base() const { return mapping_ != nullptr ? reinterpret_cast<uintptr_t>(mapping_->base()) : 0; }
uint32_t Image::size() const { return mapping_ != nullptr ? mapping_->size() : 0; }

std::unique_ptr<Image> Image::Load(const std::string& path, std::string* error) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  std::unique_ptr<Image> image(new Image());
  image->path_ = path;
  std::vector<uint8_t> file;
  ImageLayout layout;
  std::string reason;
  if (!ReadWholeFile(path, &file, &reason) || !ReadImageLayout(file, &layout, &reason) ||
      !image->Start(layout, file, &reason)) {
    *error = path + ": " + reason;
    image->Release();
    return nullptr;
  }
  return image;
}

bool Image::Start(const ImageLayout& layout, const std::vector<uint8_t>& file, std::string* error) {
  preferred_base_ = layout.preferred_base;
  entry_rva_ = layout.entry_rva;
  ThreadBlock* thread = ThreadBlock::Install(error);
  if (thread == nullptr) return false;

  mapping_ = MappedImage::Map(layout, file, error);
  if (mapping_ == nullptr) return false;
  const uint32_t delta = mapping_->address() - layout.preferred_base;
  if (delta != 0 &&
      !ApplyBaseRelocations(mapping_.get(), layout.directory(pe::kBaseRelocationDirectory), delta, error)) {
    return false;
  }
  exports_ = std::make_unique<ExportTable>();
  if (!exports_->Open(mapping_.get(), layout.directory(pe::kExportDirectory), error)) return false;
  tls_ = std::make_unique<TlsDirectory>();
  if (!ReadTlsDirectory(*mapping_, layout.directory(pe::kTlsDirectory), tls_.get(), error)) return false;
  code_ = std::make_unique<CodeArena>();
  if (!BindImports(mapping_.get(), layout.directory(pe::kImportDirectory), code_.get(), &trap_names_, error)) {
    return false;
  }

  if (tls_->present) {
    // The template is copied after relocation, as it may hold addresses.
    tls_block_ = std::calloc(1, std::max(tls_->template_size + tls_->zero_fill, kMinTlsBlock));
    if (tls_block_ == nullptr) {
      *error = "cannot allocate the image's TLS block";
      return false;
    }
    std::memcpy(tls_block_, mapping_->base() + tls_->template_rva, tls_->template_size);
    if (!thread->AttachImplicitTls(tls_block_, &tls_index_)) {
      *error = "too many images with TLS are loaded";
      return false;
    }
    tls_attached_ = true;
    mapping_->Write(tls_->index_rva, tls_index_);
  }
  if (!mapping_->ApplySectionProtections(layout, error)) return false;

  RegisterModule(mapping_.get(), exports_.get());
  registered_ = true;
  if (!RunTlsCallbacks(pe::kProcessAttach, error)) return false;
  uint32_t accepted = 1;
  if (!CallEntry(pe::kProcessAttach, &accepted, error)) return false;
  if (accepted == 0) {
    // The module's CRT has undone its own start-up before answering FALSE,
    // so no DLL_PROCESS_DETACH follows.
    *error = "the entry point refused DLL_PROCESS_ATTACH";
    return false;
  }
  attached_ = true;
  return true;
}

bool Image::RunTlsCallbacks(uint32_t reason, std::string* error) {
  std::vector<const void*> callbacks;
  if (!ReadTlsCallbacks(*mapping_, *tls_, &callbacks, error)) return false;
  for (size_t i = 0; i < callbacks.size(); ++i) {
    const std::string what = "TLS callback " + std::to_string(i) + " (" + ReasonName(reason) + ")";
    if (!CallStdcall(callbacks[i], {mapping_->address(), reason, 0}, what, nullptr, error)) return false;
  }
  return true;
}

bool Image::CallEntry(uint32_t reason, uint32_t* result, std::string* error) {
  if (entry_rva_ == 0) return true;
  // The third argument is null: loaded and unloaded dynamically, not at
  // process start or exit.
  return CallStdcall(mapping_->base() + entry_rva_, {mapping_->address(), reason, 0},
                     std::string("the entry point (") + ReasonName(reason) + ")", result, error);
}

bool Image::Unload(std::string* error) {
  bool ok = true;
  if (attached_) {
    attached_ = false;
    ok = RunTlsCallbacks(pe::kProcessDetach, error) && CallEntry(pe::kProcessDetach, nullptr, error);
  }
  Release();
  return ok;
}

void Image::Release() {
  if (registered_) UnregisterModule(mapping_.get());
  registered_ = false;
  if (tls_attached_) ThreadBlock::Current()->DetachImplicitTls(tls_index_);
  tls_attached_ = false;
  std::free(tls_block_);
  tls_block_ = nullptr;
  checked_thunks_.clear();
  mapping_.reset();
  code_.reset();
}

void* Image::FindExport(std::string_view name, std::string* error) const {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  if (mapping_ == nullptr) {
    *error = path_ + ": the image is unloaded";
    return nullptr;
  }
  void* found = exports_->Find(name, error);
  if (found == nullptr) *error = path_ + ": " + *error;
  return found;
}

void* Image::FindStdcallExport(std::string_view name, uint32_t argument_bytes, std::string* error) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  if (argument_bytes % 4 != 0 || argument_bytes > 1024) {
    *error = path_ + ": " + std::to_string(argument_bytes) + " is not a stdcall argument size";
    return nullptr;
  }
  auto key = std::make_pair(std::string(name), argument_bytes);
  if (auto known = checked_thunks_.find(key); known != checked_thunks_.end()) return known->second;
  void* function = FindExport(name, error);
  if (function == nullptr) return nullptr;
  checked_names_.push_back(std::string(name));
  checked_targets_.push_back({function, argument_bytes, checked_names_.back().c_str()});
  void* thunk = MakeCheckedStdcallThunk(code_.get(), &checked_targets_.back(), error);
  if (thunk == nullptr) {
    *error = path_ + ": " + *error;
    return nullptr;
  }
  checked_thunks_.emplace(std::move(key), thunk);
  return thunk;
}

bool HasDosSignature(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char magic[2] = {};
  return in.read(magic, sizeof magic) && magic[0] == 'M' && magic[1] == 'Z';
}

}  // namespace peloader
