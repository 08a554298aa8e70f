#include "tests/pivot/pinmark_session.h"

#include <cstdio>
#include <cstring>

namespace orvel {

void PrintTo(const Vector3& v, std::ostream* out) {
  char text[96];
  std::snprintf(text, sizeof text, "(%.9g, %.9g, %.9g)", v.x, v.y, v.z);
  *out << text;
}

void PrintTo(const NodeTransform& t, std::ostream* out) {
  char text[320];
  std::snprintf(text, sizeof text, "m=(%.9g %.9g %.9g | %.9g %.9g %.9g | %.9g %.9g %.9g) t=(%.9g, %.9g, %.9g) s=%.9g",
                t.m[0], t.m[1], t.m[2], t.m[3], t.m[4], t.m[5], t.m[6], t.m[7], t.m[8], t.t.x, t.t.y, t.t.z, t.s);
  *out << text;
}

}  // namespace orvel

namespace orvel::pivot_test {

bool PinmarkSession::Load(std::string* error) {
  library_ = host::ModuleLibrary::Open(host::PinmarkModulePath(), error);
  if (library_ == nullptr) return false;
  library_->InitRDCom(&services_);
  return true;
}

Operation PinmarkSession::Create() {
  IClassFactory* factory = nullptr;
  if (library_->GetClassObject(&kPinmarkClassId, &kIidClassFactory, reinterpret_cast<void**>(&factory)) != hr::kOk ||
      factory == nullptr) {
    return Operation();
  }
  I3DExtension* extension = nullptr;
  factory->CreateInstance(nullptr, &kIidExtension, reinterpret_cast<void**>(&extension));
  factory->Release();
  if (extension == nullptr) return Operation();
  I3DExSceneOperation8* operation = nullptr;
  extension->QueryInterface(&kIidExSceneOperation8, reinterpret_cast<void**>(&operation));
  extension->Release();
  return Operation(operation);
}

Operation PinmarkSession::Create(OptionCode option) {
  Operation operation = Create();
  if (operation) operation.SetOption(option);
  return operation;
}

void PinmarkTest::SetUp() {
  std::string error;
  ASSERT_TRUE(session_.Load(&error)) << error;
}

void PinmarkTest::TearDown() {
  if (!session_.loaded()) return;
  EXPECT_EQ(session_.library().CanUnloadNow(), hr::kOk) << "an extension object outlived its test";
  for (const std::string& fault : scene_.faults()) ADD_FAILURE() << "scene: " << fault;
  for (const std::string& fault : session_.services().faults()) ADD_FAILURE() << "host services: " << fault;
  EXPECT_EQ(session_.services().allocator().liveBlocks(), 0u) << session_.services().allocator().LeakReport();
  session_.Unload();
}

bool PinmarkTest::Run(Operation& operation, SceneNode* node) {
  const uint64_t before = session_.services().allocateCalls();
  const bool result = operation.get()->Execute(kIgnored, node, kIgnored, kIgnored, kIgnored);
  EXPECT_EQ(session_.services().allocateCalls(), before) << "Execute asked the host for memory";
  return result;
}

bool PinmarkTest::Run(OptionCode option, SceneNode* node) {
  Operation operation = session_.Create(option);
  EXPECT_TRUE(operation) << "no extension object";
  if (!operation) return false;
  return Run(operation, node);
}

void PinmarkTest::Record(const Vector3& point) {
  host::TestNode& source = scene_.Add("recorded");
  source.pivot = point;
  EXPECT_TRUE(Run(kMemorize, &source));
  scene_.log().Clear();
}

host::TestNode& PinmarkTest::LoneNode(const std::string& name) {
  host::TestNode& node = scene_.Add(name);
  scene_.ListNode(node, node);
  return node;
}

std::optional<Vector3> PinmarkTest::ReferencePointSeenBy(host::TestNode& node) {
  Record({0.0f, 0.0f, 0.0f});
  node.placement = host::IdentityTransform();
  node.axisScale = {1.0f, 1.0f, 1.0f};
  EXPECT_TRUE(Run(kPlace, &node));
  const host::SetValue* placed = LastSetValue(scene_.log(), host::Method::kSetPlacement);
  if (placed == nullptr) return std::nullopt;
  const Vector3 t = placed->transform.t;
  return Vector3{-t.x, -t.y, -t.z};
}

const host::SetValue* LastSetValue(const host::CallLog& log, host::Method method) {
  const host::SetValue* found = nullptr;
  for (const host::Call& call : log.calls()) {
    if (call.method == method) found = &log.value(call);
  }
  return found;
}

bool Logged(const host::CallLog& log, host::Method method) {
  for (const host::Call& call : log.calls()) {
    if (call.method == method) return true;
  }
  return false;
}

host::Call Expect(host::Method method, const host::TestNode& node, int32_t integer) {
  return host::Call{method, &node, nullptr, integer, -1};
}

std::string DescribeExpected(const std::vector<host::Call>& calls) {
  std::string text;
  for (const host::Call& call : calls) {
    text += call.node->name() + "." + host::MethodName(call.method) + "(" +
            (call.integer != 0 ? std::to_string(call.integer) : std::string()) + ")\n";
  }
  return text;
}

}  // namespace orvel::pivot_test
