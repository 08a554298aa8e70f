// Loads a module file the way the host does and finds its three exports by
// name. Native builds use the platform loader (dlopen, LoadLibrary); the i386
// Linux build loads a PE file (a shipped .rdx) through the test-only PE
// loader, whose exports check the stack on every call.
#pragma once

#include <memory>
#include <string>

#include "frame/extension_interfaces.h"

namespace orvel::host {

class ModuleLibrary {
 public:
  // Null with a message in `error` when the file cannot be loaded or lacks
  // one of the three exports.
  static std::unique_ptr<ModuleLibrary> Open(const std::string& path, std::string* error);
  ModuleLibrary(const ModuleLibrary&) = delete;
  ModuleLibrary& operator=(const ModuleLibrary&) = delete;
  // Unloads the module; its termination routines run here.
  ~ModuleLibrary();

  const std::string& path() const { return path_; }
  DllInitRDComFn initRDCom() const { return initRDCom_; }
  DllGetClassObjectFn getClassObject() const { return getClassObject_; }
  DllCanUnloadNowFn canUnloadNow() const { return canUnloadNow_; }

  // Calls through the exports.
  HRESULT InitRDCom(HostServices* services) const { return initRDCom_(services); }
  HRESULT GetClassObject(const GUID* clsid, const GUID* iid, void** out) const {
    return getClassObject_(clsid, iid, out);
  }
  HRESULT CanUnloadNow() const { return canUnloadNow_(); }

 private:
  ModuleLibrary() = default;
  static std::unique_ptr<ModuleLibrary> OpenPeImage(const std::string& path, std::string* error);

  std::string path_;
  void* handle_ = nullptr;
  bool peImage_ = false;  // handle_ is a peloader::Image, not a platform handle
  DllInitRDComFn initRDCom_ = nullptr;
  DllGetClassObjectFn getClassObject_ = nullptr;
  DllCanUnloadNowFn canUnloadNow_ = nullptr;
};

// Where the tests find the modules: the environment variables
// ORVEL_PINMARK_MODULE and ORVEL_TWINFLIP_MODULE, or else the files built
// beside the test program.
std::string PinmarkModulePath();
std::string TwinflipModulePath();

}  // namespace orvel::host
