// A real scene graph playing the host's SceneNode: nodes with children and
// siblings, transforms, placements, pivots, axis scales, boxes and node
// lists, a Duplicate that can be told to fail, and a log of every call the
// modules make, with its arguments, so tests compare exact call sequences.
//
// Every node belongs to its Scene and lives as long as it. A hidden root
// holds the top-level nodes, so that InsertSibling works at every level.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "frame/host_interfaces.h"

namespace orvel::host {

class Scene;
class TestNode;

// How GetNextSibling answers on the last child of a list.
enum class SiblingEnd : uint8_t { kNull, kSelf };

enum class Method : uint8_t {
  kQueryInterface,
  kAddRef,
  kRelease,
  kGetFirstChild,
  kGetNextSibling,
  kAddChild,
  kInsertSibling,
  kGetFrameTransform,
  kGetPlacement,
  kGetPivot,
  kSetPivot,
  kPrepareChange,
  kDuplicate,
  kGetBoundingBox,
  kBeginChange,
  kEndChange,
  kGetAxisScale,
  kGetTransform,
  kSetTransform,
  kSetPlacement,
  kGetNodeList,
  kReleaseNodeList,
  kPlaceholder,
};

const char* MethodName(Method method);

// One call made on a node. `other` is the node argument (AddChild,
// InsertSibling) or the node returned (Duplicate, GetFirstChild,
// GetNextSibling); `integer` is the integer argument, or the position of a
// placeholder; `value` indexes the scene's record of values passed to
// SetPivot, SetTransform and SetPlacement (-1 for other calls).
struct Call {
  Method method;
  const TestNode* node;
  const TestNode* other;
  int32_t integer;
  int32_t value;

  bool operator==(const Call& c) const {
    return method == c.method && node == c.node && other == c.other && integer == c.integer;
  }
};

// The values a setter call received, as recorded by the log.
struct SetValue {
  NodeTransform transform;  // SetTransform, SetPlacement
  Vector3 vector;           // SetPivot
};

class CallLog {
 public:
  bool enabled = true;
  const std::vector<Call>& calls() const { return calls_; }
  const SetValue& value(const Call& call) const { return values_[static_cast<std::size_t>(call.value)]; }
  void Clear() { calls_.clear(); values_.clear(); }
  // "lamp.SetPivot(5.5, 1, 1.5)", one line per call.
  std::string Describe(const Call& call) const;
  std::string DescribeAll() const;

  void Add(Method method, const TestNode* node, const TestNode* other = nullptr, int32_t integer = 0);
  void AddSet(Method method, const TestNode* node, const SetValue& value, int32_t integer = 0);

 private:
  std::vector<Call> calls_;
  std::vector<SetValue> values_;
};

// A list entry's interface pointer that refuses QueryInterface for SceneNode.
// kRefuse answers E_NOINTERFACE with null; kNullSuccess answers S_OK yet
// hands back null; kUntouched answers E_NOINTERFACE and leaves *out alone.
enum class Refusal : uint8_t { kRefuse, kNullSuccess, kUntouched };

class RefusingEntry final : public IUnknown {
 public:
  RefusingEntry(Scene& scene, Refusal refusal) : scene_(scene), refusal_(refusal) {}
  HRESULT ORVEL_STDCALL QueryInterface(const GUID* iid, void** out) override;
  uint32_t ORVEL_STDCALL AddRef() override;
  uint32_t ORVEL_STDCALL Release() override;
  int32_t queries = 0;
  int32_t references = 0;

 private:
  Scene& scene_;
  Refusal refusal_;
};

// How GetNodeList reports a node's list. The host stays honest: a count it
// writes never exceeds the array it hands over.
enum class ListReport : uint8_t {
  kEntries,          // count = number of entries
  kLeaveUnwritten,   // neither count nor list is written
  kNegativeCount,    // count = -1, list written
};

class TestNode final : public SceneNode {
 public:
  TestNode(Scene& scene, uint32_t id, std::string name);

  // -- SceneNode, in table order --
  HRESULT ORVEL_STDCALL QueryInterface(const GUID* iid, void** out) override;
  uint32_t ORVEL_STDCALL AddRef() override;
  uint32_t ORVEL_STDCALL Release() override;
  HRESULT ORVEL_STDCALL NodeSlot03() override { return Unexpected(3); }
  HRESULT ORVEL_STDCALL NodeSlot04() override { return Unexpected(4); }
  HRESULT ORVEL_STDCALL NodeSlot05() override { return Unexpected(5); }
  HRESULT ORVEL_STDCALL NodeSlot06() override { return Unexpected(6); }
  HRESULT ORVEL_STDCALL NodeSlot07() override { return Unexpected(7); }
  SceneNode* ORVEL_STDCALL GetFirstChild() override;
  SceneNode* ORVEL_STDCALL GetNextSibling() override;
  HRESULT ORVEL_STDCALL NodeSlot10() override { return Unexpected(10); }
  HRESULT ORVEL_STDCALL NodeSlot11() override { return Unexpected(11); }
  HRESULT ORVEL_STDCALL NodeSlot12() override { return Unexpected(12); }
  HRESULT ORVEL_STDCALL AddChild(SceneNode* child) override;
  HRESULT ORVEL_STDCALL NodeSlot14() override { return Unexpected(14); }
  HRESULT ORVEL_STDCALL NodeSlot15() override { return Unexpected(15); }
  HRESULT ORVEL_STDCALL InsertSibling(SceneNode* sibling) override;
  HRESULT ORVEL_STDCALL GetFrameTransform(NodeTransform* out) override;
  HRESULT ORVEL_STDCALL NodeSlot18() override { return Unexpected(18); }
  HRESULT ORVEL_STDCALL GetPlacement(NodeTransform* out) override;
  HRESULT ORVEL_STDCALL NodeSlot20() override { return Unexpected(20); }
  HRESULT ORVEL_STDCALL GetPivot(Vector3* out) override;
  HRESULT ORVEL_STDCALL SetPivot(const Vector3* pivot) override;
  HRESULT ORVEL_STDCALL NodeSlot23() override { return Unexpected(23); }
  HRESULT ORVEL_STDCALL PrepareChange() override;
  HRESULT ORVEL_STDCALL NodeSlot25() override { return Unexpected(25); }
  SceneNode* ORVEL_STDCALL Duplicate(int32_t mode) override;
  HRESULT ORVEL_STDCALL GetBoundingBox(BoundingBox* out, int32_t mode) override;
  HRESULT ORVEL_STDCALL BeginChange() override;
  HRESULT ORVEL_STDCALL EndChange() override;
  HRESULT ORVEL_STDCALL GetAxisScale(Vector3* out) override;
  HRESULT ORVEL_STDCALL NodeSlot31() override { return Unexpected(31); }
  HRESULT ORVEL_STDCALL NodeSlot32() override { return Unexpected(32); }
  HRESULT ORVEL_STDCALL NodeSlot33() override { return Unexpected(33); }
  HRESULT ORVEL_STDCALL NodeSlot34() override { return Unexpected(34); }
  HRESULT ORVEL_STDCALL NodeSlot35() override { return Unexpected(35); }
  HRESULT ORVEL_STDCALL NodeSlot36() override { return Unexpected(36); }
  HRESULT ORVEL_STDCALL NodeSlot37() override { return Unexpected(37); }
  HRESULT ORVEL_STDCALL GetTransform(NodeTransform* out) override;
  HRESULT ORVEL_STDCALL SetTransform(const NodeTransform* transform) override;
  HRESULT ORVEL_STDCALL NodeSlot40() override { return Unexpected(40); }
  HRESULT ORVEL_STDCALL SetPlacement(const NodeTransform* placement, int32_t mode) override;
  HRESULT ORVEL_STDCALL NodeSlot42() override { return Unexpected(42); }
  HRESULT ORVEL_STDCALL NodeSlot43() override { return Unexpected(43); }
  HRESULT ORVEL_STDCALL NodeSlot44() override { return Unexpected(44); }
  HRESULT ORVEL_STDCALL NodeSlot45() override { return Unexpected(45); }
  HRESULT ORVEL_STDCALL NodeSlot46() override { return Unexpected(46); }
  HRESULT ORVEL_STDCALL NodeSlot47() override { return Unexpected(47); }
  HRESULT ORVEL_STDCALL NodeSlot48() override { return Unexpected(48); }
  HRESULT ORVEL_STDCALL NodeSlot49() override { return Unexpected(49); }
  HRESULT ORVEL_STDCALL NodeSlot50() override { return Unexpected(50); }
  HRESULT ORVEL_STDCALL NodeSlot51() override { return Unexpected(51); }
  HRESULT ORVEL_STDCALL NodeSlot52() override { return Unexpected(52); }
  HRESULT ORVEL_STDCALL GetNodeList(int32_t* count, NodeListEntry** list) override;
  HRESULT ORVEL_STDCALL ReleaseNodeList() override;

  // -- the host's own view of the node --
  uint32_t id() const { return id_; }
  const std::string& name() const { return name_; }
  TestNode* parent() const { return parent_; }
  const std::vector<TestNode*>& children() const { return children_; }
  // The node Duplicate copied this one from; null for an original.
  TestNode* copyOf() const { return copyOf_; }
  // References handed out by QueryInterface/AddRef and not yet released.
  int32_t references() const { return references_; }
  // GetNodeList calls not yet matched by ReleaseNodeList.
  int32_t openLists() const { return openLists_; }

  NodeTransform transform{};       // GetTransform / SetTransform
  NodeTransform placement{};       // GetPlacement / SetPlacement
  NodeTransform frameTransform{};  // GetFrameTransform
  Vector3 pivot{};
  Vector3 axisScale{1, 1, 1};
  BoundingBox box{};
  SiblingEnd siblingEnd = SiblingEnd::kNull;
  bool failDuplicate = false;
  ListReport listReport = ListReport::kEntries;
  // The node list GetNodeList reports. Use Scene::List... to fill it.
  std::vector<NodeListEntry> nodeList;

 private:
  friend class Scene;
  HRESULT Unexpected(int position);
  TestNode* Checked(SceneNode* node, const char* method);

  Scene& scene_;
  uint32_t id_;
  std::string name_;
  TestNode* parent_ = nullptr;
  std::size_t indexInParent_ = 0;
  std::vector<TestNode*> children_;
  TestNode* copyOf_ = nullptr;
  int32_t references_ = 0;
  int32_t openLists_ = 0;
};

class Scene {
 public:
  Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;
  ~Scene();

  // A new top-level node, or a new last child of `parent`. Neither is logged.
  TestNode& Add(std::string name, TestNode* parent = nullptr);
  // The hidden root; its children are the top-level nodes.
  TestNode& root() { return *root_; }
  // All nodes ever made, originals and copies, in order of creation.
  const std::deque<std::unique_ptr<TestNode>>& nodes() const { return nodes_; }
  TestNode* Find(const std::string& name) const;

  // Node-list entries.
  void ListNode(TestNode& owner, TestNode& listed);
  RefusingEntry& ListRefusing(TestNode& owner, Refusal refusal);

  // Duplicate fails on every node once `n` more copies have been made (0:
  // at once); until this is called it never does. Per-node failures are
  // TestNode::failDuplicate.
  void FailDuplicatesAfter(uint64_t n) { duplicatesLeft_ = n; duplicateLimit_ = true; }
  uint64_t duplicates() const { return duplicates_; }

  CallLog& log() { return log_; }
  const CallLog& log() const { return log_; }

  // Placeholder calls, misuse (null or foreign node arguments, a node
  // attached twice, a list released more than fetched), and unbalanced
  // references, one line each. Empty for a well-behaved module.
  std::vector<std::string> faults() const;
  void Fault(std::string what) { faults_.push_back(std::move(what)); }

  // Turns a node argument back into the scene's node; null for a pointer the
  // scene never made.
  TestNode* Own(SceneNode* node) const;

 private:
  friend class TestNode;
  TestNode& Make(std::string name);

  std::deque<std::unique_ptr<TestNode>> nodes_;
  std::deque<std::unique_ptr<RefusingEntry>> refusing_;
  std::unordered_set<const SceneNode*> known_;
  TestNode* root_ = nullptr;
  CallLog log_;
  uint64_t duplicates_ = 0;
  uint64_t duplicatesLeft_ = 0;
  bool duplicateLimit_ = false;
  std::vector<std::string> faults_;
};

// Transforms for building scenes.
NodeTransform IdentityTransform();
NodeTransform MakeTransform(const float (&m)[9], Vector3 t, float s);

}  // namespace orvel::host
