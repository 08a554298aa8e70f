#include "host/module_library.h"

#include <cstdlib>

#if defined(ORVEL_HOST_PELOADER)
#include "peloader/image.h"
#endif

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace orvel::host {

namespace {

#if defined(_WIN32)
void* LoadNative(const std::string& path, std::string* error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) *error = path + ": cannot be loaded (Windows error " + std::to_string(GetLastError()) + ")";
  return reinterpret_cast<void*>(module);
}
void* FindNative(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void UnloadNative(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
#else
void* LoadNative(const std::string& path, std::string* error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) *error = dlerror();
  return handle;
}
void* FindNative(void* handle, const char* name) { return dlsym(handle, name); }
void UnloadNative(void* handle) { dlclose(handle); }
#endif

std::string ModulePath(const char* variable, const char* file) {
  if (const char* chosen = std::getenv(variable); chosen != nullptr && *chosen != '\0') return chosen;
#if defined(_WIN32)
  // The Windows loader looks beside the program first.
  return std::string(file) + ORVEL_MODULE_SUFFIX;
#else
  return std::string(ORVEL_MODULE_DIR) + "/" + file + ORVEL_MODULE_SUFFIX;
#endif
}

}  // namespace

std::unique_ptr<ModuleLibrary> ModuleLibrary::Open(const std::string& path, std::string* error) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
#if defined(ORVEL_HOST_PELOADER)
  if (peloader::HasDosSignature(path)) return OpenPeImage(path, error);
#endif
  void* handle = LoadNative(path, error);
  if (handle == nullptr) return nullptr;

  std::unique_ptr<ModuleLibrary> library(new ModuleLibrary());
  library->path_ = path;
  library->handle_ = handle;
  library->initRDCom_ = reinterpret_cast<DllInitRDComFn>(FindNative(handle, "DllInitRDCom"));
  library->getClassObject_ = reinterpret_cast<DllGetClassObjectFn>(FindNative(handle, "DllGetClassObject"));
  library->canUnloadNow_ = reinterpret_cast<DllCanUnloadNowFn>(FindNative(handle, "DllCanUnloadNow"));
  const char* missing = library->initRDCom_ == nullptr        ? "DllInitRDCom"
                        : library->getClassObject_ == nullptr ? "DllGetClassObject"
                        : library->canUnloadNow_ == nullptr   ? "DllCanUnloadNow"
                                                              : nullptr;
  if (missing != nullptr) {
    *error = path + ": no export named " + missing;
    return nullptr;
  }
  return library;
}

#if defined(ORVEL_HOST_PELOADER)
std::unique_ptr<ModuleLibrary> ModuleLibrary::OpenPeImage(const std::string& path, std::string* error) {
  std::unique_ptr<peloader::Image> image = peloader::Image::Load(path, error);
  if (image == nullptr) return nullptr;
  // Argument bytes of the three stdcall exports, as the .def file decorates them.
  void* initRDCom = image->FindStdcallExport("DllInitRDCom", 4, error);
  void* getClassObject = initRDCom != nullptr ? image->FindStdcallExport("DllGetClassObject", 12, error) : nullptr;
  void* canUnloadNow = getClassObject != nullptr ? image->FindStdcallExport("DllCanUnloadNow", 0, error) : nullptr;
  if (canUnloadNow == nullptr) return nullptr;

  std::unique_ptr<ModuleLibrary> library(new ModuleLibrary());
  library->path_ = path;
  library->initRDCom_ = reinterpret_cast<DllInitRDComFn>(initRDCom);
  library->getClassObject_ = reinterpret_cast<DllGetClassObjectFn>(getClassObject);
  library->canUnloadNow_ = reinterpret_cast<DllCanUnloadNowFn>(canUnloadNow);
  library->handle_ = image.release();
  library->peImage_ = true;
  return library;
}
#endif

ModuleLibrary::~ModuleLibrary() {
#if defined(ORVEL_HOST_PELOADER)
  if (peImage_) {
    delete static_cast<peloader::Image*>(handle_);
    return;
  }
#endif
  if (handle_ != nullptr) UnloadNative(handle_);
}

std::string PinmarkModulePath() { return ModulePath("ORVEL_PINMARK_MODULE", "OrvelPinmark"); }
std::string TwinflipModulePath() { return ModulePath("ORVEL_TWINFLIP_MODULE", "OrvelTwinflip"); }

}  // namespace orvel::host
