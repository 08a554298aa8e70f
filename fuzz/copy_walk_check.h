// Holds the calls of a mirror run's sub-tree copy against the plain recursive
// copy of the tree as it was before the run:
//
//   copy = source.Duplicate(1); null ends this level
//   source.InsertSibling(copy)                      top level only
//   source.GetFirstChild()
//   for each child: copy it the same way, insert clear;
//                   copy.AddChild(its copy)         only when there is one
//                   child.GetNextSibling()          null or itself ends the list
//
// A module that runs out of host memory for a deeper level leaves a child
// out before touching it: the log then shows only the GetNextSibling that
// moves past it. Such children are counted so that the caller can hold them
// against the allocations the host refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "fuzz/log_cursor.h"
#include "host/scene.h"

namespace orvel::fuzz {

// The children of every node below (and including) a top node, and the
// answer GetNextSibling gives on each, taken before a run changes the scene.
class TreeSnapshot {
 public:
  explicit TreeSnapshot(const host::TestNode& top);
  const std::vector<const host::TestNode*>& children(const host::TestNode& node) const;
  // What GetNextSibling on the i-th child of `parent` answers.
  const host::TestNode* NextSibling(const host::TestNode& parent, std::size_t i) const;
  std::size_t size() const { return children_.size(); }
  // The levels below the top: 0 for a childless node.
  std::size_t depth() const { return depth_; }

 private:
  std::unordered_map<const host::TestNode*, std::vector<const host::TestNode*>> children_;
  std::unordered_set<const host::TestNode*> selfEnded_;
  std::size_t depth_ = 0;
};

class CopyWalkCheck {
 public:
  // Copies are the nodes with ids from `firstNewId` on.
  CopyWalkCheck(LogCursor& cursor, const TreeSnapshot& tree, uint32_t firstNewId)
      : cursor_(cursor), tree_(tree), firstNewId_(firstNewId) {}

  // Consumes the calls of copying `top` with its sub-tree and placing the
  // copy beside it; the top copy, or null when its Duplicate failed.
  const host::TestNode* Walk(const host::TestNode& top) { return Copy(top, true); }
  uint64_t childrenLeftOut() const { return leftOut_; }

 private:
  const host::TestNode* Copy(const host::TestNode& source, bool insert);

  LogCursor& cursor_;
  const TreeSnapshot& tree_;
  uint32_t firstNewId_;
  std::unordered_set<const host::TestNode*> copies_;
  uint64_t leftOut_ = 0;
};

}  // namespace orvel::fuzz
