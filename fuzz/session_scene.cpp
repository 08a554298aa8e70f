// The scenes a session builds, and the host's refusals of memory. The host
// stays honest: a node list's count never exceeds its array, and every node
// handed over is a node of the scene.
#include <cstdint>
#include <limits>
#include <vector>

#include "fuzz/invariant.h"
#include "fuzz/session.h"

namespace orvel::fuzz {

namespace {

using host::TestNode;

// Large enough for deep chains (the mirror walk grows its store in blocks
// of doubling size past 48 levels), small enough that runs stay quick.
constexpr std::size_t kMaxSceneNodes = 4000;
constexpr std::size_t kMaxChain = 1200;
constexpr std::size_t kMaxListEntries = 64;

float& Element(NodeTransform& t, int i) {
  if (i < 9) return t.m[i];
  if (i == 9) return t.t.x;
  if (i == 10) return t.t.y;
  if (i == 11) return t.t.z;
  return t.s;
}

float& Element(Vector3& v, int i) { return i == 0 ? v.x : i == 1 ? v.y : v.z; }

float& Element(BoundingBox& b, int i) {
  switch (i) {
    case 0: return b.x0;
    case 1: return b.y0;
    case 2: return b.z0;
    case 3: return b.x1;
    case 4: return b.y1;
    default: return b.z1;
  }
}

// The records of a node the input can write, in one numbering.
enum Record : uint8_t { kTransform, kPlacement, kFrameTransform, kPivot, kAxisScale, kBox, kRecordCount };

int ElementsOf(Record record) {
  switch (record) {
    case kPivot:
    case kAxisScale: return 3;
    case kBox: return 6;
    default: return 13;
  }
}

float& Element(TestNode& node, Record record, int i) {
  switch (record) {
    case kTransform: return Element(node.transform, i);
    case kPlacement: return Element(node.placement, i);
    case kFrameTransform: return Element(node.frameTransform, i);
    case kPivot: return Element(node.pivot, i);
    case kAxisScale: return Element(node.axisScale, i);
    default: return Element(node.box, i);
  }
}

void SetPlain(TestNode& node, Record record) {
  switch (record) {
    case kTransform: node.transform = host::IdentityTransform(); break;
    case kPlacement: node.placement = host::IdentityTransform(); break;
    case kFrameTransform: node.frameTransform = host::IdentityTransform(); break;
    case kPivot: node.pivot = Vector3{0, 0, 0}; break;
    case kAxisScale: node.axisScale = Vector3{1, 1, 1}; break;
    default: node.box = BoundingBox{-1, -1, -1, 1, 1, 1}; break;
  }
}

// A rotation by quarter turns with reflections: permuted unit rows, signed.
void SetTurn(NodeTransform& t, uint8_t choice) {
  static constexpr int kPermutations[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  const int* columns = kPermutations[choice % 6];
  for (float& element : t.m) element = 0.0f;
  for (int row = 0; row < 3; ++row) t.m[3 * row + columns[row]] = (choice >> (3 + row)) & 1 ? -1.0f : 1.0f;
}

}  // namespace

TestNode* Session::PickNode() {
  // The hidden root is not a node of the scene the host hands over.
  const std::size_t count = scene_.nodes().size();
  const uint16_t pick = input_.U16();
  if (count <= 1) return nullptr;
  return scene_.nodes()[1 + pick % (count - 1)].get();
}

void Session::AddNodes() {
  const uint8_t where = input_.Byte();
  TestNode* parent = (where & 1) != 0 ? nullptr : PickNode();
  const uint8_t shape = input_.Byte() % 4;
  const uint8_t ends = input_.Byte() % 3;
  std::size_t count = 1;
  if (shape == 1) count = 1 + input_.U16() % kMaxChain;
  if (shape >= 2) count = 1 + input_.Byte() % 32;
  std::vector<TestNode*> made;
  for (std::size_t i = 0; i < count && scene_.nodes().size() < kMaxSceneNodes; ++i) {
    TestNode* under = parent;
    if (shape == 1 && !made.empty()) under = made.back();             // a chain, one level per node
    if (shape == 3 && !made.empty()) under = made[input_.Byte() % made.size()];  // any small tree
    TestNode& node = scene_.Add("", under);
    // Both ways a host may end a sibling list, or a mix of them.
    const bool self = ends == 1 || (ends == 2 && (scene_.nodes().size() & 1) != 0);
    node.siblingEnd = self ? host::SiblingEnd::kSelf : host::SiblingEnd::kNull;
    made.push_back(&node);
  }
  Note("AddNodes: %zu, shape %d", made.size(), shape);
}

void Session::SetNodeValue() {
  TestNode* node = PickNode();
  const uint8_t field = input_.Byte();
  const float value = input_.Float();
  if (node == nullptr) return;
  const auto record = static_cast<Record>(field % kRecordCount);
  Element(*node, record, (field / kRecordCount) % ElementsOf(record)) = value;
}

void Session::SetNodeRecord() {
  TestNode* node = PickNode();
  const auto record = static_cast<Record>(input_.Byte() % kRecordCount);
  const uint8_t pattern = input_.Byte() % 4;
  if (node == nullptr) return;
  SetPlain(*node, record);
  switch (pattern) {
    case 0: break;
    case 1: {
      const float value = input_.Float();
      for (int i = 0; i < ElementsOf(record); ++i) Element(*node, record, i) = value;
      break;
    }
    case 2:
      for (int i = 0; i < ElementsOf(record); ++i) Element(*node, record, i) = input_.Float();
      break;
    default:
      if (ElementsOf(record) == 13) {
        NodeTransform& t = record == kTransform ? node->transform
                           : record == kPlacement ? node->placement
                                                  : node->frameTransform;
        SetTurn(t, input_.Byte());
        t.t = Vector3{input_.Float(), input_.Float(), input_.Float()};
        t.s = input_.Float();
      } else {
        const float value = input_.Float();
        for (int i = 0; i < ElementsOf(record); ++i) Element(*node, record, i) = i % 2 == 0 ? value : -value;
      }
      break;
  }
}

void Session::EditNodeList() {
  TestNode* owner = PickNode();
  const uint8_t edit = input_.Byte() % 6;
  const uint8_t argument = input_.Byte();
  if (owner == nullptr) return;
  if (edit < 4 && owner->nodeList.size() >= kMaxListEntries) return;
  switch (edit) {
    case 0:
      if (TestNode* listed = PickNode()) scene_.ListNode(*owner, *listed);
      break;
    case 1: scene_.ListNode(*owner, *owner); break;
    case 2: {
      host::RefusingEntry& entry = scene_.ListRefusing(*owner, static_cast<host::Refusal>(argument % 3));
      refusingEntries_.emplace(&entry, &entry);
      break;
    }
    case 3: owner->nodeList.push_back(NodeListEntry{}); break;
    case 4: owner->nodeList.clear(); break;
    default: owner->listReport = static_cast<host::ListReport>(argument % 3); break;
  }
}

void Session::SetDuplicateFailure() {
  const uint8_t choice = input_.Byte() % 3;
  if (choice == 0) {
    if (TestNode* node = PickNode()) node->failDuplicate = !node->failDuplicate;
  } else if (choice == 1) {
    scene_.FailDuplicatesAfter(input_.Byte() % 16);
  } else {
    scene_.FailDuplicatesAfter(std::numeric_limits<uint64_t>::max());
  }
}

void Session::SetHostPolicy() {
  Host& host = hosts_[PickHost()];
  auto& allocator = host.services->allocator();
  const uint8_t policy = input_.Byte() % 5;
  const uint8_t argument = input_.Byte();
  switch (policy) {
    case 0: allocator.RefuseNth(allocator.requests() + 1 + argument % 8); break;
    case 1: allocator.RefuseAfter(argument % 8); break;
    case 2: allocator.RefuseAll(); break;
    case 3: allocator.AllowAll(); break;
    default:
      // Heard at the host's next binding.
      host.refused[argument % 5] = true;
      host.services->Refuse(argument % 5);
      break;
  }
}

}  // namespace orvel::fuzz
