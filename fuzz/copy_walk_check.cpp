#include "fuzz/copy_walk_check.h"

#include <utility>

namespace orvel::fuzz {

using host::Method;
using host::TestNode;

TreeSnapshot::TreeSnapshot(const TestNode& top) {
  // Iterative, so that a deep chain costs the harness no stack.
  std::vector<std::pair<const TestNode*, std::size_t>> pending{{&top, 0}};
  while (!pending.empty()) {
    const auto [node, level] = pending.back();
    pending.pop_back();
    if (level > depth_) depth_ = level;
    auto& list = children_[node];
    for (const TestNode* child : node->children()) {
      list.push_back(child);
      pending.emplace_back(child, level + 1);
    }
    if (node->siblingEnd == host::SiblingEnd::kSelf) selfEnded_.insert(node);
  }
}

const std::vector<const TestNode*>& TreeSnapshot::children(const TestNode& node) const {
  return children_.at(&node);
}

const TestNode* TreeSnapshot::NextSibling(const TestNode& parent, std::size_t i) const {
  const auto& list = children(parent);
  if (i + 1 < list.size()) return list[i + 1];
  return selfEnded_.count(list[i]) != 0 ? list[i] : nullptr;
}

const TestNode* CopyWalkCheck::Copy(const TestNode& source, bool insert) {
  const host::Call& duplicate = cursor_.Expect(Method::kDuplicate, &source);
  if (duplicate.integer != 1) cursor_.Fail("Duplicate is always asked with 1");
  const TestNode* copy = duplicate.other;
  if (copy == nullptr) return nullptr;
  if (copy->copyOf() != &source || copy->id() < firstNewId_ || !copies_.insert(copy).second) {
    cursor_.Fail("Duplicate answered with something other than a fresh copy");
  }
  if (insert) cursor_.Expect(Method::kInsertSibling, &source, copy, 0);

  const auto& children = tree_.children(source);
  cursor_.Expect(Method::kGetFirstChild, &source, children.empty() ? nullptr : children.front(), 0);
  for (std::size_t i = 0; i < children.size(); ++i) {
    const TestNode& child = *children[i];
    if (cursor_.NextIs(Method::kDuplicate, &child)) {
      if (const TestNode* childCopy = Copy(child, false)) cursor_.Expect(Method::kAddChild, copy, childCopy, 0);
    } else {
      ++leftOut_;
    }
    const TestNode* next = tree_.NextSibling(source, i);
    cursor_.Expect(Method::kGetNextSibling, &child, next, 0);
    if (next == nullptr || next == &child) break;
  }
  return copy;
}

}  // namespace orvel::fuzz
