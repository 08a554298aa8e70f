// A host for the tests of OrvelTwinflip: the built module, loaded through its
// exports and bound to a recording TestHostServices; a factory and extension
// objects made by it; and a scene to run them on. Every test starts from a
// freshly loaded module, so the module defaults start as they do at load.
//
// At the end of each test all objects are released, and the module must
// hold no host memory, leave no reference unbalanced and make no call the
// host did not expect.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "frame/extension_interfaces.h"
#include "host/module_library.h"
#include "host/scene.h"
#include "host/test_host_services.h"

namespace orvel::mirror_test {

// {EB214160-833B-11D2-B092-0000F43AF527}
inline constexpr GUID kTwinflipClassId = {0xEB214160, 0x833B, 0x11D2, {0xB0, 0x92, 0x00, 0x00, 0xF4, 0x3A, 0xF5, 0x27}};

inline constexpr OptionCode kMirrorX = FourCharCode("SXAX");
inline constexpr OptionCode kMirrorY = FourCharCode("SXAY");
inline constexpr OptionCode kMirrorZ = FourCharCode("SXAZ");

// A Twinflip's OperationData as the host sees it: the code at offset 0, the
// KeepTranslation byte at offset 4.
struct Settings {
  OptionCode code;
  uint8_t keepTranslation;
};

class TwinflipTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A new extension object from the module's factory; the fixture releases it.
  I3DExSceneOperation8* NewObject();
  static Settings Read(I3DExSceneOperation8* object);
  static void Write(I3DExSceneOperation8* object, OptionCode code, uint8_t keepTranslation);

  // Execute on `node`, as the host calls it.
  static bool Run(I3DExSceneOperation8* object, host::TestNode* node) {
    return object->Execute(0x11111111u, node, 0x22222222u, 0x33333333u, 0x44444444u);
  }
  bool Run(host::TestNode* node) { return Run(object_, node); }

  // The node InsertSibling placed right after `source`; null when none is a
  // copy of it.
  static host::TestNode* CopyBeside(const host::TestNode& source);

  host::TestHostServices services_;
  std::unique_ptr<host::ModuleLibrary> library_;
  host::Scene scene_;
  IClassFactory* factory_ = nullptr;
  // Made in SetUp; most tests need only this one.
  I3DExSceneOperation8* object_ = nullptr;

 private:
  std::vector<I3DExSceneOperation8*> objects_;
};

}  // namespace orvel::mirror_test
