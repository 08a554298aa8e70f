// The modules the tool hosts: at most one file per class, each loaded with
// host::ModuleLibrary, bound to the one host services object, and asked
// which class it offers before any step runs.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/held_extension.h"
#include "host/module_library.h"
#include "host/test_host_services.h"
#include "tools/orvel-scene/step.h"

namespace orvel::scene_tool {

// An extension object as the tool holds it.
using Operation = host::HeldExtension;

// The class ids as the host knows them.
inline constexpr GUID kPinmarkClassId = {0x5ED17F01, 0x8588, 0x11D2, {0xB7, 0xA5, 0xF3, 0x58, 0x13, 0xA8, 0xBA, 0x80}};
inline constexpr GUID kTwinflipClassId = {0xEB214160, 0x833B, 0x11D2, {0xB0, 0x92, 0x00, 0x00, 0xF4, 0x3A, 0xF5, 0x27}};
const GUID& ClassId(ModuleKind kind);

class ModuleSet {
 public:
  explicit ModuleSet(host::TestHostServices& services) : services_(services) {}
  ModuleSet(const ModuleSet&) = delete;
  ModuleSet& operator=(const ModuleSet&) = delete;
  ~ModuleSet();

  // Loads and binds the module at `path` and finds its class; `expected`
  // is the class it must offer, or none to take whichever it offers.
  // `origin` says how the file was chosen ("--module"). InputError when the
  // file cannot be loaded, lacks an export, offers neither class or the
  // wrong one, or its class has a module already.
  void Load(const std::string& path, std::optional<ModuleKind> expected, const std::string& origin);

  bool Has(ModuleKind kind) const { return Find(kind) != nullptr; }
  const std::string& Path(ModuleKind kind) const { return Find(kind)->library->path(); }

  // A new extension object of `kind`, as the host makes one: the factory
  // from DllGetClassObject, CreateInstance for the extension interface,
  // then the scene-operation interface. RunError when the module refuses.
  Operation Create(ModuleKind kind);

  // Modules that do not answer DllCanUnloadNow with S_OK, one line each.
  std::vector<std::string> StillInUse() const;

 private:
  struct Loaded {
    ModuleKind kind;
    std::unique_ptr<host::ModuleLibrary> library;
  };
  const Loaded* Find(ModuleKind kind) const;
  bool Offers(const host::ModuleLibrary& library, ModuleKind kind) const;

  host::TestHostServices& services_;
  std::vector<Loaded> loaded_;
};

}  // namespace orvel::scene_tool
