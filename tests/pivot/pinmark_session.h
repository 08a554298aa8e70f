// OrvelPinmark as the host drives it: loaded from its built file, bound to a
// recording host, reached only through its three exports, its class factory
// and its extension objects.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "frame/extension_interfaces.h"
#include "host/held_extension.h"
#include "host/module_library.h"
#include "host/scene.h"
#include "host/test_host_services.h"

namespace orvel {

// Exact comparison: the operation's results are single-precision values that
// the tests name exactly.
inline bool operator==(const Vector3& a, const Vector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
void PrintTo(const Vector3& v, std::ostream* out);
void PrintTo(const NodeTransform& t, std::ostream* out);

}  // namespace orvel

namespace orvel::pivot_test {

// {5ED17F01-8588-11D2-B7A5-F35813A8BA80}, as the host knows it.
inline constexpr GUID kPinmarkClassId = {0x5ED17F01, 0x8588, 0x11D2, {0xB7, 0xA5, 0xF3, 0x58, 0x13, 0xA8, 0xBA, 0x80}};
inline constexpr OptionCode kMemorize = FourCharCode("HMEM");
inline constexpr OptionCode kPlace = FourCharCode("HLPA");

// Padding for the four arguments of Execute that the operation ignores.
inline constexpr uint32_t kIgnored = 0xdeadbeefu;

// An extension object holding the one reference its creator handed over.
using Operation = host::HeldExtension;

// One loaded module. Objects it creates must be gone before Unload.
class PinmarkSession {
 public:
  // Loads the built module and binds it to the host's services.
  bool Load(std::string* error);
  void Unload() { library_.reset(); }
  bool loaded() const { return library_ != nullptr; }

  // A new object through DllGetClassObject and CreateInstance, or none.
  Operation Create(OptionCode option);
  Operation Create();

  host::TestHostServices& services() { return services_; }
  host::ModuleLibrary& library() { return *library_; }

 private:
  host::TestHostServices services_;
  std::unique_ptr<host::ModuleLibrary> library_;
};

// A freshly loaded module for every test, so that no recorded point or
// default leaks from one test into the next, and a scene to run it on.
class PinmarkTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Execute on `node`, failing the test if the host is asked for memory.
  bool Run(Operation& operation, SceneNode* node);
  bool Run(OptionCode option, SceneNode* node);

  // Records `point` with a memorize run on a node whose placement maps every
  // point to itself, then clears the scene's log.
  void Record(const Vector3& point);

  // A node with the identity placement whose list holds only itself.
  host::TestNode& LoneNode(const std::string& name);

  // The ReferencePoint a place run on `node` uses, seen through the
  // translation it writes: with the origin recorded and `node` placed by the
  // identity, that translation is exactly -c. None when nothing was written.
  std::optional<Vector3> ReferencePointSeenBy(host::TestNode& node);

  PinmarkSession session_;
  host::Scene scene_;
};

// The value the last call of `method` received, or null when there was none.
const host::SetValue* LastSetValue(const host::CallLog& log, host::Method method);
// Whether the log holds a call of `method`.
bool Logged(const host::CallLog& log, host::Method method);

// An expected call, comparable with the log's calls.
host::Call Expect(host::Method method, const host::TestNode& node, int32_t integer = 0);
// "a.GetPlacement(), b.Release(), ..." for failure messages.
std::string DescribeExpected(const std::vector<host::Call>& calls);

}  // namespace orvel::pivot_test
