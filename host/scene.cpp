#include "host/scene.h"

#include <cstdio>
#include <unordered_set>

namespace orvel::host {

namespace {

std::string Format(const char* format, double a, double b, double c) {
  char text[96];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

std::string Describe(const Vector3& v) { return Format("%.9g, %.9g, %.9g", v.x, v.y, v.z); }

std::string Describe(const NodeTransform& t) {
  std::string text = "m=(";
  for (int i = 0; i < 9; ++i) {
    char element[24];
    std::snprintf(element, sizeof element, i == 0 ? "%.9g" : ", %.9g", t.m[i]);
    text += element;
  }
  char rest[96];
  std::snprintf(rest, sizeof rest, ") t=(%.9g, %.9g, %.9g) s=%.9g", t.t.x, t.t.y, t.t.z, t.s);
  return text + rest;
}

std::string NodeLabel(const TestNode* node) {
  if (node == nullptr) return "null";
  if (!node->name().empty()) return node->name();
  return "#" + std::to_string(node->id());
}

}  // namespace

const char* MethodName(Method method) {
  switch (method) {
    case Method::kQueryInterface: return "QueryInterface";
    case Method::kAddRef: return "AddRef";
    case Method::kRelease: return "Release";
    case Method::kGetFirstChild: return "GetFirstChild";
    case Method::kGetNextSibling: return "GetNextSibling";
    case Method::kAddChild: return "AddChild";
    case Method::kInsertSibling: return "InsertSibling";
    case Method::kGetFrameTransform: return "GetFrameTransform";
    case Method::kGetPlacement: return "GetPlacement";
    case Method::kGetPivot: return "GetPivot";
    case Method::kSetPivot: return "SetPivot";
    case Method::kPrepareChange: return "PrepareChange";
    case Method::kDuplicate: return "Duplicate";
    case Method::kGetBoundingBox: return "GetBoundingBox";
    case Method::kBeginChange: return "BeginChange";
    case Method::kEndChange: return "EndChange";
    case Method::kGetAxisScale: return "GetAxisScale";
    case Method::kGetTransform: return "GetTransform";
    case Method::kSetTransform: return "SetTransform";
    case Method::kSetPlacement: return "SetPlacement";
    case Method::kGetNodeList: return "GetNodeList";
    case Method::kReleaseNodeList: return "ReleaseNodeList";
    case Method::kPlaceholder: return "Placeholder";
  }
  return "?";
}

// ---------------------------------------------------------------- CallLog

void CallLog::Add(Method method, const TestNode* node, const TestNode* other, int32_t integer) {
  if (enabled) calls_.push_back(Call{method, node, other, integer, -1});
}

void CallLog::AddSet(Method method, const TestNode* node, const SetValue& value, int32_t integer) {
  if (!enabled) return;
  calls_.push_back(Call{method, node, nullptr, integer, static_cast<int32_t>(values_.size())});
  values_.push_back(value);
}

std::string CallLog::Describe(const Call& call) const {
  std::string text = NodeLabel(call.node) + "." + MethodName(call.method) + "(";
  switch (call.method) {
    case Method::kAddChild:
    case Method::kInsertSibling:
      text += NodeLabel(call.other) + ")";
      break;
    case Method::kDuplicate:
      text += std::to_string(call.integer) + ") -> " + NodeLabel(call.other);
      break;
    case Method::kGetFirstChild:
    case Method::kGetNextSibling:
      text += ") -> " + NodeLabel(call.other);
      break;
    case Method::kGetBoundingBox:
      text += std::to_string(call.integer) + ")";
      break;
    case Method::kGetNodeList:
      text += ") -> " + std::to_string(call.integer);
      break;
    case Method::kPlaceholder:
      text += "position " + std::to_string(call.integer) + ")";
      break;
    case Method::kSetPivot:
      text += host::Describe(value(call).vector) + ")";
      break;
    case Method::kSetTransform:
      text += host::Describe(value(call).transform) + ")";
      break;
    case Method::kSetPlacement:
      text += host::Describe(value(call).transform) + ", " + std::to_string(call.integer) + ")";
      break;
    default:
      text += ")";
      break;
  }
  return text;
}

std::string CallLog::DescribeAll() const {
  std::string text;
  for (const Call& call : calls_) text += Describe(call) + "\n";
  return text;
}

// ---------------------------------------------------------- RefusingEntry

HRESULT ORVEL_STDCALL RefusingEntry::QueryInterface(const GUID*, void** out) {
  ++queries;
  switch (refusal_) {
    case Refusal::kRefuse:
      *out = nullptr;
      return hr::kNoInterface;
    case Refusal::kNullSuccess:
      *out = nullptr;
      return hr::kOk;
    case Refusal::kUntouched:
      return hr::kNoInterface;
  }
  return hr::kNoInterface;
}

uint32_t ORVEL_STDCALL RefusingEntry::AddRef() {
  scene_.Fault("AddRef on a list entry that answers no SceneNode");
  return static_cast<uint32_t>(++references);
}

uint32_t ORVEL_STDCALL RefusingEntry::Release() {
  scene_.Fault("Release on a list entry that answers no SceneNode");
  return static_cast<uint32_t>(--references);
}

// --------------------------------------------------------------- TestNode

TestNode::TestNode(Scene& scene, uint32_t id, std::string name) : scene_(scene), id_(id), name_(std::move(name)) {
  transform = IdentityTransform();
  placement = IdentityTransform();
  frameTransform = IdentityTransform();
}

HRESULT TestNode::Unexpected(int position) {
  scene_.log_.Add(Method::kPlaceholder, this, nullptr, position);
  scene_.Fault(NodeLabel(this) + ": unexpected call to SceneNode position " + std::to_string(position));
  return hr::kNotImplemented;
}

TestNode* TestNode::Checked(SceneNode* node, const char* method) {
  TestNode* own = scene_.Own(node);
  if (own == nullptr) {
    scene_.Fault(NodeLabel(this) + "." + method + " given " + (node == nullptr ? "null" : "a node of no scene"));
  }
  return own;
}

HRESULT ORVEL_STDCALL TestNode::QueryInterface(const GUID* iid, void** out) {
  scene_.log_.Add(Method::kQueryInterface, this);
  *out = nullptr;
  if (!SameId(*iid, kIidSceneNode) && !SameId(*iid, kIidUnknown)) return hr::kNoInterface;
  ++references_;
  *out = static_cast<SceneNode*>(this);
  return hr::kOk;
}

uint32_t ORVEL_STDCALL TestNode::AddRef() {
  scene_.log_.Add(Method::kAddRef, this);
  return static_cast<uint32_t>(++references_);
}

uint32_t ORVEL_STDCALL TestNode::Release() {
  scene_.log_.Add(Method::kRelease, this);
  if (references_ == 0) scene_.Fault(NodeLabel(this) + ": Release without a reference");
  return static_cast<uint32_t>(--references_);
}

SceneNode* ORVEL_STDCALL TestNode::GetFirstChild() {
  TestNode* first = children_.empty() ? nullptr : children_.front();
  scene_.log_.Add(Method::kGetFirstChild, this, first);
  return first;
}

SceneNode* ORVEL_STDCALL TestNode::GetNextSibling() {
  TestNode* next = nullptr;
  if (parent_ != nullptr && indexInParent_ + 1 < parent_->children_.size()) {
    next = parent_->children_[indexInParent_ + 1];
  } else if (siblingEnd == SiblingEnd::kSelf) {
    next = this;
  }
  scene_.log_.Add(Method::kGetNextSibling, this, next);
  return next;
}

HRESULT ORVEL_STDCALL TestNode::AddChild(SceneNode* child) {
  TestNode* own = Checked(child, "AddChild");
  scene_.log_.Add(Method::kAddChild, this, own);
  if (own == nullptr) return hr::kFail;
  if (own->parent_ != nullptr) {
    scene_.Fault(NodeLabel(own) + " attached a second time, by AddChild on " + NodeLabel(this));
    return hr::kFail;
  }
  own->parent_ = this;
  own->indexInParent_ = children_.size();
  children_.push_back(own);
  return hr::kOk;
}

HRESULT ORVEL_STDCALL TestNode::InsertSibling(SceneNode* sibling) {
  TestNode* own = Checked(sibling, "InsertSibling");
  scene_.log_.Add(Method::kInsertSibling, this, own);
  if (own == nullptr) return hr::kFail;
  if (own->parent_ != nullptr) {
    scene_.Fault(NodeLabel(own) + " attached a second time, by InsertSibling on " + NodeLabel(this));
    return hr::kFail;
  }
  TestNode* parent = parent_ != nullptr ? parent_ : scene_.root_;
  // Right after this node, when it is in a list; else at the root's end.
  const std::size_t at = parent_ != nullptr ? indexInParent_ + 1 : parent->children_.size();
  parent->children_.insert(parent->children_.begin() + static_cast<std::ptrdiff_t>(at), own);
  own->parent_ = parent;
  for (std::size_t i = at; i < parent->children_.size(); ++i) parent->children_[i]->indexInParent_ = i;
  return hr::kOk;
}

HRESULT ORVEL_STDCALL TestNode::GetFrameTransform(NodeTransform* out) {
  scene_.log_.Add(Method::kGetFrameTransform, this);
  *out = frameTransform;
  return hr::kOk;
}

HRESULT ORVEL_STDCALL TestNode::GetPlacement(NodeTransform* out) {
  scene_.log_.Add(Method::kGetPlacement, this);
  *out = placement;
  return hr::kOk;
}

HRESULT ORVEL_STDCALL TestNode::GetPivot(Vector3* out) {
  scene_.log_.Add(Method::kGetPivot, this);
  *out = pivot;
  return hr::kOk;
}

HRESULT ORVEL_STDCALL TestNode::SetPivot(const Vector3* value) {
  SetValue recorded{};
  recorded.vector = *value;
  scene_.log_.AddSet(Method::kSetPivot, this, recorded);
  pivot = *value;
  return hr::kOk;
}

HRESULT ORVEL_STDCALL TestNode::PrepareChange() {
  scene_.log_.Add(Method::kPrepareChange, this);
  return hr::kOk;
}

SceneNode* ORVEL_STDCALL TestNode::Duplicate(int32_t mode) {
  TestNode* copy = nullptr;
  const bool limited = scene_.duplicateLimit_ && scene_.duplicatesLeft_ == 0;
  if (!failDuplicate && !limited) {
    if (scene_.duplicateLimit_) --scene_.duplicatesLeft_;
    ++scene_.duplicates_;
    copy = &scene_.Make(name_.empty() ? std::string() : name_ + "'");
    copy->transform = transform;
    copy->placement = placement;
    copy->frameTransform = frameTransform;
    copy->pivot = pivot;
    copy->axisScale = axisScale;
    copy->box = box;
    copy->siblingEnd = siblingEnd;
    copy->copyOf_ = this;
  }
  scene_.log_.Add(Method::kDuplicate, this, copy, mode);
  return copy;
}

HRESULT ORVEL_STDCALL TestNode::GetBoundingBox(BoundingBox* out, int32_t mode) {
  scene_.log_.Add(Method::kGetBoundingBox, this, nullptr, mode);
  *out = box;
  return hr::kOk;
}

HRESULT ORVEL_STDCALL TestNode::BeginChange() {
  scene_.log_.Add(Method::kBeginChange, this);
  return hr::kOk;
}

HRESULT ORVEL_STDCALL TestNode::EndChange() {
  scene_.log_.Add(Method::kEndChange, this);
  return hr::kOk;
}

HRESULT ORVEL_STDCALL TestNode::GetAxisScale(Vector3* out) {
  scene_.log_.Add(Method::kGetAxisScale, this);
  *out = axisScale;
  return hr::kOk;
}

HRESULT ORVEL_STDCALL TestNode::GetTransform(NodeTransform* out) {
  scene_.log_.Add(Method::kGetTransform, this);
  *out = transform;
  return hr::kOk;
}

HRESULT ORVEL_STDCALL TestNode::SetTransform(const NodeTransform* value) {
  SetValue recorded{};
  recorded.transform = *value;
  scene_.log_.AddSet(Method::kSetTransform, this, recorded);
  transform = *value;
  return hr::kOk;
}

HRESULT ORVEL_STDCALL TestNode::SetPlacement(const NodeTransform* value, int32_t mode) {
  SetValue recorded{};
  recorded.transform = *value;
  scene_.log_.AddSet(Method::kSetPlacement, this, recorded, mode);
  placement = *value;
  return hr::kOk;
}

HRESULT ORVEL_STDCALL TestNode::GetNodeList(int32_t* count, NodeListEntry** list) {
  ++openLists_;
  int32_t reported = 0;
  switch (listReport) {
    case ListReport::kEntries:
      reported = static_cast<int32_t>(nodeList.size());
      *count = reported;
      *list = nodeList.data();
      break;
    case ListReport::kLeaveUnwritten:
      break;
    case ListReport::kNegativeCount:
      reported = -1;
      *count = reported;
      *list = nodeList.data();
      break;
  }
  scene_.log_.Add(Method::kGetNodeList, this, nullptr, reported);
  return hr::kOk;
}

HRESULT ORVEL_STDCALL TestNode::ReleaseNodeList() {
  scene_.log_.Add(Method::kReleaseNodeList, this);
  if (openLists_ == 0) scene_.Fault(NodeLabel(this) + ": ReleaseNodeList without GetNodeList");
  --openLists_;
  return hr::kOk;
}

// ------------------------------------------------------------------ Scene

Scene::Scene() { root_ = &Make("(root)"); }

Scene::~Scene() = default;

TestNode& Scene::Make(std::string name) {
  const auto id = static_cast<uint32_t>(nodes_.size());
  nodes_.push_back(std::make_unique<TestNode>(*this, id, std::move(name)));
  known_.insert(nodes_.back().get());
  return *nodes_.back();
}

TestNode& Scene::Add(std::string name, TestNode* parent) {
  TestNode& node = Make(std::move(name));
  TestNode* under = parent != nullptr ? parent : root_;
  node.parent_ = under;
  node.indexInParent_ = under->children_.size();
  under->children_.push_back(&node);
  return node;
}

TestNode* Scene::Find(const std::string& name) const {
  for (const auto& node : nodes_) {
    if (node->name() == name) return node.get();
  }
  return nullptr;
}

void Scene::ListNode(TestNode& owner, TestNode& listed) {
  NodeListEntry entry{};
  entry.node = static_cast<SceneNode*>(&listed);
  owner.nodeList.push_back(entry);
}

RefusingEntry& Scene::ListRefusing(TestNode& owner, Refusal refusal) {
  refusing_.push_back(std::make_unique<RefusingEntry>(*this, refusal));
  NodeListEntry entry{};
  entry.node = refusing_.back().get();
  owner.nodeList.push_back(entry);
  return *refusing_.back();
}

TestNode* Scene::Own(SceneNode* node) const {
  if (node == nullptr || known_.count(node) == 0) return nullptr;
  return static_cast<TestNode*>(node);
}

std::vector<std::string> Scene::faults() const {
  std::vector<std::string> all = faults_;
  for (const auto& node : nodes_) {
    if (node->references_ != 0) {
      all.push_back(NodeLabel(node.get()) + ": " + std::to_string(node->references_) + " references not released");
    }
    if (node->openLists_ != 0) {
      all.push_back(NodeLabel(node.get()) + ": node list fetched " + std::to_string(node->openLists_) +
                    " more times than released");
    }
  }
  for (const auto& entry : refusing_) {
    if (entry->references != 0) all.push_back("a refusing list entry holds references");
  }
  return all;
}

NodeTransform IdentityTransform() {
  NodeTransform t{};
  t.m[0] = t.m[4] = t.m[8] = 1.0f;
  t.s = 1.0f;
  return t;
}

NodeTransform MakeTransform(const float (&m)[9], Vector3 t, float s) {
  NodeTransform result{};
  for (int i = 0; i < 9; ++i) result.m[i] = m[i];
  result.t = t;
  result.s = s;
  return result;
}

}  // namespace orvel::host
