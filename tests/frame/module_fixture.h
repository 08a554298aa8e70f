// The frame as the host meets it: a built module loaded from its file,
// reached only through its three exports, the factories they hand out and
// the extension objects those create. Every behaviour the two modules share
// runs against both of them.
//
// Ids are written here in their registry form and parsed, not taken from the
// frame's headers, so that a wrongly split id literal in the frame shows up as
// a refused id instead of agreeing with itself.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "frame/extension_interfaces.h"
#include "host/module_library.h"
#include "host/scene.h"
#include "host/test_host_services.h"

namespace orvel {

inline bool operator==(const GUID& a, const GUID& b) { return SameId(a, b); }
// Registry form, so that failure messages name the id.
void PrintTo(const GUID& id, std::ostream* out);

}  // namespace orvel

namespace orvel::frame_test {

namespace registry {
constexpr uint32_t Hex(const char* text, int from, int digits) {
  uint32_t value = 0;
  for (int i = from; i < from + digits; ++i) {
    const char c = text[i];
    const uint32_t digit = c >= '0' && c <= '9' ? static_cast<uint32_t>(c - '0')
                           : c >= 'A' && c <= 'F' ? static_cast<uint32_t>(c - 'A' + 10)
                                                  : static_cast<uint32_t>(c - 'a' + 10);
    value = value << 4 | digit;
  }
  return value;
}
}  // namespace registry

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" as the 16 bytes the host passes.
constexpr GUID RegistryId(const char (&text)[39]) {
  GUID id{registry::Hex(text, 1, 8), static_cast<uint16_t>(registry::Hex(text, 10, 4)),
          static_cast<uint16_t>(registry::Hex(text, 15, 4)), {}};
  id.data4[0] = static_cast<uint8_t>(registry::Hex(text, 20, 2));
  id.data4[1] = static_cast<uint8_t>(registry::Hex(text, 22, 2));
  for (int i = 0; i < 6; ++i) id.data4[2 + i] = static_cast<uint8_t>(registry::Hex(text, 25 + 2 * i, 2));
  return id;
}

// `id` with its last byte changed: equal in everything a partial comparison
// might look at.
constexpr GUID NearMiss(GUID id) {
  id.data4[7] ^= 0x01;
  return id;
}

inline constexpr GUID kIdUnknown = RegistryId("{00000000-0000-0000-C000-000000000046}");
inline constexpr GUID kIdClassFactory = RegistryId("{00000001-0000-0000-C000-000000000046}");
inline constexpr GUID kIdExtension = RegistryId("{1705BF20-0AD8-11CF-A4F7-0000E202D5A5}");
inline constexpr GUID kIdDataExchanger = RegistryId("{B295B680-3A02-101C-885F-04021C007002}");
inline constexpr GUID kIdSceneOperation = RegistryId("{B0210D00-3A02-101C-885F-04021C007002}");
inline constexpr GUID kIdSceneNode = RegistryId("{D68FEB00-3A02-101C-885F-04021C007002}");
inline constexpr GUID kPinmarkClassId = RegistryId("{5ED17F01-8588-11D2-B7A5-F35813A8BA80}");
inline constexpr GUID kTwinflipClassId = RegistryId("{EB214160-833B-11D2-B092-0000F43AF527}");

// What a binding asks of HostServices, in the order it must ask.
inline constexpr GUID kHostServiceIds[5] = {
    RegistryId("{F3CA8A60-3F55-11D1-A09F-00AA00D37E0B}"), RegistryId("{5C9601AB-7CC3-101C-885F-04021C007002}"),
    RegistryId("{5C9601AA-7CC3-101C-885F-04021C007002}"), RegistryId("{4926F780-BA0F-11CF-9909-00400522BFCC}"),
    RegistryId("{900B69F1-701B-11D0-B2B5-00AA004B60E7}"),
};

// The host compares result codes by value.
static_assert(hr::kNotImplemented == static_cast<HRESULT>(0x80004001u));
static_assert(hr::kNoInterface == static_cast<HRESULT>(0x80004002u));
static_assert(hr::kPointer == static_cast<HRESULT>(0x80004003u));
static_assert(hr::kFail == static_cast<HRESULT>(0x80004005u));
static_assert(hr::kOutOfMemory == static_cast<HRESULT>(0x8007000Eu));

// Pre-filled into out pointers, so that "left as the caller set it" and
// "set to null" are told apart.
inline void* const kUntouched = reinterpret_cast<void*>(uintptr_t{0xdeadbeef});

// What tells the two modules apart, as the host sees them.
struct ModuleKind {
  const char* name;
  std::string (*path)();
  GUID classId;
  // The other module's class id: the most plausible wrong one.
  GUID otherClassId;
  // The default code, and its letters as they lie in memory.
  OptionCode defaultCode;
  const char* defaultLetters;
  // A code the host may set instead of the default.
  OptionCode otherCode;
  // Bytes of OperationData: 4, or 5 with KeepTranslation at offset 4.
  std::size_t dataSize;
};

extern const ModuleKind kPinmark;
extern const ModuleKind kTwinflip;
std::string ModuleName(const ::testing::TestParamInfo<ModuleKind>& info);
inline void PrintTo(const ModuleKind& kind, std::ostream* out) { *out << kind.name; }

// The count an AddRef/Release pair sees; the object is left as it was.
template <typename Interface>
uint32_t RefCount(Interface* object) {
  object->AddRef();
  return object->Release();
}
#define EXPECT_REF(object, count) \
  EXPECT_EQ(::orvel::frame_test::RefCount(object), static_cast<uint32_t>(count)) << "reference count of " #object

// Everything the module can make the host do, taken before and after a call
// that must leave the host alone.
struct HostTally {
  uint64_t allocations;
  uint64_t frees;
  std::size_t liveBlocks;
  std::size_t queries;
  uint32_t hostValueCalls;
  bool operator==(const HostTally&) const = default;
};
HostTally Tally(const host::TestHostServices& services);
void PrintTo(const HostTally& tally, std::ostream* out);

// OperationData, read and written in place as the host does.
OptionCode CodeOf(I3DExSceneOperation8* object);
void SetCode(I3DExSceneOperation8* object, OptionCode code);
uint8_t KeepTranslationOf(I3DExSceneOperation8* object);
void SetKeepTranslation(I3DExSceneOperation8* object, uint8_t keep);
// Where OperationData starts, counted from the object's interface pointer.
std::ptrdiff_t DataOffset(I3DExSceneOperation8* object);

// The module of the parameter, freshly loaded and bound to `services_` for
// every test. At the end every object must be gone and every lock balanced,
// and the host must have seen no fault, no leak and no AddRef or Release on
// its services object.
class ModuleTest : public ::testing::TestWithParam<ModuleKind> {
 protected:
  void SetUp() override;
  void TearDown() override;

  const ModuleKind& kind() const { return GetParam(); }
  bool hasKeepTranslation() const { return kind().dataSize > 4; }

  // Loads the module afresh, unbound. Fatal failure when it does not load.
  void Load();
  void Unload() { library_.reset(); }

  HRESULT CanUnloadNow() const { return library_->CanUnloadNow(); }
  HRESULT GetClassObject(const GUID& clsid, const GUID& iid, void** out) const {
    return library_->GetClassObject(&clsid, &iid, out);
  }
  // A new factory (count 1), or null with a failure recorded.
  IClassFactory* NewFactory();
  // A new object (count 1) through a factory of its own, released again.
  I3DExSceneOperation8* NewObject();

  host::TestHostServices services_;
  host::Scene scene_;
  std::unique_ptr<host::ModuleLibrary> library_;
};

}  // namespace orvel::frame_test
