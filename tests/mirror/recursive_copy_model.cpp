#include "tests/mirror/recursive_copy_model.h"

namespace orvel::mirror_test {

using host::Call;
using host::Method;
using host::TestNode;

namespace {

const TestNode* CopyOf(const TestNode& source, const CopyMap& copies) {
  auto found = copies.find(&source);
  return found == copies.end() ? nullptr : found->second;
}

const TestNode* Copy(const TestNode& source, bool insert, const CopyMap& copies, std::vector<Call>& calls) {
  const TestNode* copy = source.failDuplicate ? nullptr : CopyOf(source, copies);
  calls.push_back(Call{Method::kDuplicate, &source, copy, 1, -1});
  if (copy == nullptr) return nullptr;
  if (insert) calls.push_back(Call{Method::kInsertSibling, &source, copy, 0, -1});
  const auto& children = source.children();
  calls.push_back(Call{Method::kGetFirstChild, &source, children.empty() ? nullptr : children.front(), 0, -1});
  for (std::size_t i = 0; i < children.size(); ++i) {
    const TestNode& child = *children[i];
    if (const TestNode* childCopy = Copy(child, false, copies, calls)) {
      calls.push_back(Call{Method::kAddChild, copy, childCopy, 0, -1});
    }
    const TestNode* next = i + 1 < children.size()                   ? children[i + 1]
                           : child.siblingEnd == host::SiblingEnd::kSelf ? &child
                                                                       : nullptr;
    calls.push_back(Call{Method::kGetNextSibling, &child, next, 0, -1});
  }
  return copy;
}

}  // namespace

CopyMap CopiesIn(const host::Scene& scene) {
  CopyMap copies;
  for (const auto& node : scene.nodes()) {
    if (node->copyOf() != nullptr) copies.emplace(node->copyOf(), node.get());
  }
  return copies;
}

std::vector<Call> RecursiveCopyCalls(const TestNode& source, const CopyMap& copies) {
  std::vector<Call> calls;
  Copy(source, true, copies, calls);
  return calls;
}

std::vector<Call> MirrorRunCalls(const TestNode& source, const CopyMap& copies, bool keepTranslation) {
  std::vector<Call> calls = RecursiveCopyCalls(source, copies);
  const TestNode* copy = calls.front().other;
  if (copy == nullptr) return calls;
  calls.push_back(Call{Method::kGetPivot, &source, nullptr, 0, -1});
  calls.push_back(Call{Method::kGetTransform, copy, nullptr, 0, -1});
  if (!keepTranslation) {
    calls.push_back(Call{Method::kGetTransform, &source, nullptr, 0, -1});
    calls.push_back(Call{Method::kGetAxisScale, &source, nullptr, 0, -1});
  }
  calls.push_back(Call{Method::kSetTransform, copy, nullptr, 0, -1});
  return calls;
}

::testing::AssertionResult SameCalls(const host::CallLog& log, const std::vector<Call>& expected) {
  const std::vector<Call>& actual = log.calls();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  if (at == actual.size() && at == expected.size()) return ::testing::AssertionSuccess();

  // Calls built here carry no recorded value for log.Describe to show.
  auto describe = [&log](const Call& call, bool made) {
    const bool setter =
        call.method == Method::kSetTransform || call.method == Method::kSetPivot || call.method == Method::kSetPlacement;
    if (made || !setter) return log.Describe(call);
    return "#" + std::to_string(call.node->id()) + "." + host::MethodName(call.method) + "(...)";
  };
  auto failure = ::testing::AssertionFailure();
  failure << "calls differ at " << at << " of " << actual.size() << " made, " << expected.size() << " expected\n";
  const std::size_t from = at >= 3 ? at - 3 : 0;
  for (std::size_t i = from; i < at + 3 && i < actual.size(); ++i) {
    failure << (i == at ? " >" : "  ") << " made     " << describe(actual[i], true) << "\n";
  }
  for (std::size_t i = from; i < at + 3 && i < expected.size(); ++i) {
    failure << (i == at ? " >" : "  ") << " expected " << describe(expected[i], false) << "\n";
  }
  return failure;
}

}  // namespace orvel::mirror_test
