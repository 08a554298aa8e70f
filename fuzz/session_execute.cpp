// Execute, as the host runs it, and what the harness holds each run to.
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

#include "fuzz/copy_walk_check.h"
#include "fuzz/invariant.h"
#include "fuzz/log_cursor.h"
#include "fuzz/session.h"

namespace orvel::fuzz {

namespace {

using host::Method;
using host::TestNode;

// The scene a session may grow to; a mirror run that would pass it is not made.
constexpr std::size_t kMaxNodes = 5000;

bool Finite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool Finite(const NodeTransform& t) {
  for (float element : t.m) {
    if (!std::isfinite(element)) return false;
  }
  return Finite(t.t) && std::isfinite(t.s);
}

// Values small enough that the pivot run's sums cannot overflow a float, so
// that a place run on them must write; a scale must also be far from 0.
bool Modest(float value) { return std::isfinite(value) && std::fabs(value) <= 1e3f; }
bool ModestScale(float value) { return Modest(value) && std::fabs(value) >= 1e-3f; }
bool Modest(const Vector3& v) { return Modest(v.x) && Modest(v.y) && Modest(v.z); }
bool ModestScale(const Vector3& v) { return ModestScale(v.x) && ModestScale(v.y) && ModestScale(v.z); }
bool Modest(const NodeTransform& t) {
  for (float element : t.m) {
    if (!Modest(element)) return false;
  }
  return Modest(t.t) && ModestScale(t.s);
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }
// Equal, or both NaN: a product with a NaN need not keep its payload.
bool SameValue(float a, float b) { return a == b || (std::isnan(a) && std::isnan(b)); }

void Expect(bool holds, const char* invariant, const std::string& detail) {
  if (!holds) Violated(invariant, detail);
}

Vector3 MirrorFactors(OptionCode code) {
  return Vector3{code == kMirrorX ? -1.0f : 1.0f, code == kMirrorY ? -1.0f : 1.0f, code == kMirrorZ ? -1.0f : 1.0f};
}

}  // namespace

bool Session::Run(HeldObject& held, TestNode* node) {
  const uint32_t unread = input_.Byte() * 0x01010101u;
  return held.object->Execute(unread, node, ~unread, unread, 0);
}

void Session::Execute(std::size_t index) {
  HeldObject& held = objects_[index];
  TestNode* node = input_.Byte() == 0 ? nullptr : PickNode();
  Note("object %zu Execute on %s", index, Label(node).c_str());
  if (module_.mirror()) {
    ExecuteMirror(held, node);
  } else {
    ExecutePivot(held, node);
  }
  for (const std::string& fault : scene_.faults()) Violated(invariant::kScene, fault);
}

void Session::ExecutePivot(HeldObject& held, TestNode* node) {
  OptionCode code;
  std::memcpy(&code, held.expected, 4);
  NodeTransform placement{};
  Vector3 axisScale{};
  Vector3 pivot{};
  if (node != nullptr) {
    placement = node->placement;
    axisScale = node->axisScale;
    pivot = node->pivot;
  }
  uint64_t queriesBefore = 0;
  for (const auto& entry : refusingEntries_) queriesBefore += static_cast<uint64_t>(entry.second->queries);
  scene_.log().Clear();
  const MemoryMark before = Mark();

  const bool result = Run(held, node);

  // The pivot operation keeps its records in locals of the run.
  ExpectNoMemoryTraffic(before, "a pivot run");
  LogCursor cursor(scene_.log(), invariant::kPivotLog);
  if (node == nullptr) {
    Expect(!result, invariant::kAnswers, "a pivot run on no node answers false");
    cursor.ExpectEnd();
    return;
  }
  Expect(result, invariant::kAnswers, "a pivot run on a node answers true");
  Note("  -> 1 after %zu calls", scene_.log().calls().size());

  // The list is read, every entry that answers for a node measured and
  // released, and the list released, whatever the option.
  const host::Call& list = cursor.Expect(Method::kGetNodeList, node);
  bool otherSeen = false;
  uint64_t refusingQueries = 0;
  for (int32_t i = 0; i < list.integer; ++i) {
    IUnknown* entry = node->nodeList[static_cast<std::size_t>(i)].node;
    if (entry == nullptr) continue;
    if (refusingEntries_.count(entry) != 0) {
      ++refusingQueries;
      continue;
    }
    const auto* listed = static_cast<const TestNode*>(static_cast<SceneNode*>(entry));
    cursor.Expect(Method::kQueryInterface, listed);
    cursor.Expect(Method::kGetFrameTransform, listed);
    cursor.Expect(Method::kGetBoundingBox, listed, nullptr, 0);
    cursor.Expect(Method::kGetAxisScale, listed);
    cursor.Expect(Method::kRelease, listed);
    if (listed != node) otherSeen = true;
  }
  cursor.Expect(Method::kReleaseNodeList, node);
  cursor.Expect(Method::kGetPlacement, node);
  cursor.Expect(Method::kGetAxisScale, node);

  if (code == kMemorize) {
    cursor.Expect(Method::kGetPivot, node);
    recordedPointMoved_ = true;
    recordedPointModest_ = Modest(pivot) && Modest(placement) && Modest(axisScale);
  } else if (code == kPlace && cursor.NextIs(Method::kBeginChange, node)) {
    cursor.Expect(Method::kBeginChange, node);
    cursor.Expect(Method::kPrepareChange, node);
    const host::Call& setPlacement = cursor.Expect(Method::kSetPlacement, node, nullptr, 0);
    const host::Call& setPivot = cursor.Expect(Method::kSetPivot, node);
    cursor.Expect(Method::kEndChange, node);
    const NodeTransform& written = scene_.log().value(setPlacement).transform;
    const Vector3& writtenPivot = scene_.log().value(setPivot).vector;
    if (!Finite(written) || !Finite(writtenPivot)) {
      Violated(invariant::kFinitePlace,
               scene_.log().Describe(setPlacement) + "; " + scene_.log().Describe(setPivot));
    }
    bool kept = SameBits(written.s, placement.s);
    for (int i = 0; i < 9; ++i) kept = kept && SameBits(written.m[i], placement.m[i]);
    Expect(kept, invariant::kPivotLog, "a place run writes matrix and uniform scale back as read");
  } else if (code == kPlace && recordedPointModest_ && Modest(placement) && ModestScale(axisScale) && !otherSeen) {
    // The reference point is the origin here, and nothing can overflow.
    cursor.Fail("a place run with modest values wrote nothing");
  }
  cursor.ExpectEnd();

  uint64_t queriesAfter = 0;
  for (const auto& entry : refusingEntries_) queriesAfter += static_cast<uint64_t>(entry.second->queries);
  Expect(queriesAfter - queriesBefore == refusingQueries, invariant::kPivotLog,
         "every listed entry that answers no node is asked once");
  defaults_.code = code;
}

void Session::ExecuteMirror(HeldObject& held, TestNode* node) {
  std::optional<TreeSnapshot> tree;
  NodeTransform source{};
  if (node != nullptr) {
    tree.emplace(*node);
    if (scene_.nodes().size() + tree->size() > kMaxNodes) return;
    source = node->transform;
  }
  OptionCode code;
  std::memcpy(&code, held.expected, 4);
  const bool keepTranslation = held.expected[4] != 0;
  const auto firstNewId = static_cast<uint32_t>(scene_.nodes().size());
  scene_.log().Clear();
  const MemoryMark before = Mark();

  const bool result = Run(held, node);

  LogCursor cursor(scene_.log(), invariant::kMirrorLog);
  if (node == nullptr) {
    Expect(!result, invariant::kAnswers, "a mirror run on no node answers false");
    cursor.ExpectEnd();
    ExpectNoMemoryTraffic(before, "a mirror run on no node");
    return;
  }

  CopyWalkCheck walk(cursor, *tree, firstNewId);
  const TestNode* copy = walk.Walk(*node);
  RequestsSince(before, "a mirror run");
  const uint64_t refused = hosts_[bound_].services->allocator().refusals() - before.refusals[bound_];
  if (walk.childrenLeftOut() != refused) {
    Violated(invariant::kMirrorLog, std::to_string(walk.childrenLeftOut()) + " children left out, " +
                                        std::to_string(refused) + " allocations refused, in a tree " +
                                        std::to_string(tree->depth()) + " levels deep");
  }
  Expect(hosts_[bound_].services->allocator().liveBlocks() == before.live[bound_], invariant::kHostBlocks,
         "a mirror run gives back every block it had");
  Note("  -> %d after %zu calls, %llu children left out", result ? 1 : 0, scene_.log().calls().size(),
       static_cast<unsigned long long>(refused));

  if (copy == nullptr) {
    Expect(!result, invariant::kAnswers, "a mirror run whose top Duplicate fails answers false");
    cursor.ExpectEnd();
    return;
  }
  cursor.Expect(Method::kGetPivot, node);
  cursor.Expect(Method::kGetTransform, copy);
  if (!keepTranslation) {
    cursor.Expect(Method::kGetTransform, node);
    cursor.Expect(Method::kGetAxisScale, node);
  }
  const host::Call& set = cursor.Expect(Method::kSetTransform, copy);
  cursor.ExpectEnd();
  Expect(result, invariant::kAnswers, "a mirror run that made its copy answers true");

  // Duplicate gave the copy the source's transform; the run negates the row
  // of the chosen axis and leaves scale, and a kept translation, alone.
  const NodeTransform& written = scene_.log().value(set).transform;
  const Vector3 factors = MirrorFactors(code);
  const float byRow[3] = {factors.x, factors.y, factors.z};
  bool mirrored = SameBits(written.s, source.s);
  for (int i = 0; i < 9; ++i) mirrored = mirrored && SameValue(written.m[i], byRow[i / 3] * source.m[i]);
  if (keepTranslation) {
    mirrored = mirrored && SameBits(written.t.x, source.t.x) && SameBits(written.t.y, source.t.y) &&
               SameBits(written.t.z, source.t.z);
  }
  Expect(mirrored, invariant::kMirrorLog, scene_.log().Describe(set) + " is not the source's transform mirrored by rows");

  defaults_ = Settings{code, static_cast<uint8_t>(keepTranslation ? 1 : 0)};
}

}  // namespace orvel::fuzz
