#include "tools/orvel-scene/module_set.h"

#include <cstdio>
#include <filesystem>

#include "tools/orvel-scene/input_error.h"

namespace orvel::scene_tool {

namespace {

std::string HexText(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

std::string IdText(const GUID& id) {
  char text[48];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", id.data1, id.data2, id.data3,
                id.data4[0], id.data4[1], id.data4[2], id.data4[3], id.data4[4], id.data4[5], id.data4[6], id.data4[7]);
  return text;
}

std::string ClassText(ModuleKind kind) { return std::string(ClassName(kind)) + " class " + IdText(ClassId(kind)); }

}  // namespace

const GUID& ClassId(ModuleKind kind) { return kind == ModuleKind::kPinmark ? kPinmarkClassId : kTwinflipClassId; }

ModuleSet::~ModuleSet() {
  // Unloaded last first; each library's termination routine runs here.
  while (!loaded_.empty()) loaded_.pop_back();
}

const ModuleSet::Loaded* ModuleSet::Find(ModuleKind kind) const {
  for (const Loaded& loaded : loaded_) {
    if (loaded.kind == kind) return &loaded;
  }
  return nullptr;
}

bool ModuleSet::Offers(const host::ModuleLibrary& library, ModuleKind kind) const {
  void* factory = nullptr;
  const HRESULT result = library.GetClassObject(&ClassId(kind), &kIidClassFactory, &factory);
  if (result != hr::kOk || factory == nullptr) return false;
  static_cast<IClassFactory*>(factory)->Release();
  return true;
}

void ModuleSet::Load(const std::string& path, std::optional<ModuleKind> expected, const std::string& origin) {
  const std::string where = origin + " " + path;
  std::error_code status;
  if (!std::filesystem::exists(path, status)) throw InputError(where, "no such file");
  std::string error;
  // A bare file name means the file here, not a search of the loader's path.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  std::unique_ptr<host::ModuleLibrary> library = host::ModuleLibrary::Open(file, &error);
  if (library == nullptr) throw InputError(where, "not a module the host can load: " + error);

  // The factory lives in host memory, so the module is bound before it is asked.
  library->InitRDCom(&services_);
  std::optional<ModuleKind> kind;
  for (ModuleKind candidate : {ModuleKind::kPinmark, ModuleKind::kTwinflip}) {
    if ((!expected || *expected == candidate) && Offers(*library, candidate)) kind = candidate;
  }
  if (!kind) {
    if (expected) {
      const ModuleKind other = *expected == ModuleKind::kPinmark ? ModuleKind::kTwinflip : ModuleKind::kPinmark;
      throw InputError(where, "offers no " + ClassText(*expected) + " through DllGetClassObject" +
                                  (Offers(*library, other) ? std::string("; it is a ") + ClassName(other) + " module" : ""));
    }
    throw InputError(where, "offers neither the " + ClassText(ModuleKind::kPinmark) + " nor the " +
                                ClassText(ModuleKind::kTwinflip) + " through DllGetClassObject");
  }
  if (const Loaded* earlier = Find(*kind)) {
    throw InputError(where, "a second module for the " + std::string(ClassName(*kind)) + " class; the first is " +
                                earlier->library->path());
  }
  loaded_.push_back({*kind, std::move(library)});
}

Operation ModuleSet::Create(ModuleKind kind) {
  const host::ModuleLibrary& library = *Find(kind)->library;
  const std::string name = ClassName(kind);
  void* factory = nullptr;
  HRESULT result = library.GetClassObject(&ClassId(kind), &kIidClassFactory, &factory);
  if (result != hr::kOk || factory == nullptr) {
    throw RunError(library.path() + ": DllGetClassObject for " + name + " answered " + HexText(static_cast<uint32_t>(result)));
  }
  void* extension = nullptr;
  result = static_cast<IClassFactory*>(factory)->CreateInstance(nullptr, &kIidExtension, &extension);
  static_cast<IClassFactory*>(factory)->Release();
  if (result != hr::kOk || extension == nullptr) {
    throw RunError(library.path() + ": CreateInstance of " + name + " answered " + HexText(static_cast<uint32_t>(result)));
  }
  void* operation = nullptr;
  result = static_cast<I3DExtension*>(extension)->QueryInterface(&kIidExSceneOperation8, &operation);
  static_cast<I3DExtension*>(extension)->Release();
  if (result != hr::kOk || operation == nullptr) {
    throw RunError(library.path() + ": the " + name + " object answers no scene-operation interface (" +
                   HexText(static_cast<uint32_t>(result)) + ")");
  }
  return Operation(static_cast<I3DExSceneOperation8*>(operation));
}

std::vector<std::string> ModuleSet::StillInUse() const {
  std::vector<std::string> lines;
  for (const Loaded& loaded : loaded_) {
    const HRESULT result = loaded.library->CanUnloadNow();
    if (result != hr::kOk) {
      lines.push_back(loaded.library->path() + ": DllCanUnloadNow answered " + HexText(static_cast<uint32_t>(result)) +
                      " after every object was released");
    }
  }
  return lines;
}

}  // namespace orvel::scene_tool
