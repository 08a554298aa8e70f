// The working state of the sub-tree walk: one frame per level that is being
// descended, kept off the call stack so that the depth of a hierarchy is
// bounded by host memory and not by the host thread's stack.
//
// The first kInlineLevels frames live inside the object itself, so a walk
// over an ordinary tree asks the host for nothing. Deeper levels go into
// blocks from HostAlloc, each twice the size of the one before (up to a cap
// that keeps every request's byte count small), chained so that growing
// never copies frames. A block, once had, is kept for the rest of the walk:
// a walk that keeps crossing a block boundary does not allocate again. All
// blocks go back to the host when the stack is destroyed.
#pragma once

#include <cstdint>

#include "frame/host_interfaces.h"

namespace orvel::mirror {

// One level of the walk: the children of some source node are being copied,
// `child` is the one in hand, and `parentCopy` is the copy they attach to.
struct WalkFrame {
  SceneNode* parentCopy;
  SceneNode* child;
};

class WalkStack {
 public:
  static constexpr uint32_t kInlineLevels = 48;
  static constexpr uint32_t kFirstBlockLevels = 64;
  static constexpr uint32_t kMaxBlockLevels = 1u << 20;

  WalkStack() = default;
  WalkStack(const WalkStack&) = delete;
  WalkStack& operator=(const WalkStack&) = delete;
  ~WalkStack();

  bool empty() const { return depth_ == 0; }
  WalkFrame& top() { return frames_[used_ - 1]; }

  // Makes sure the next Push has a place; false when the host refuses the
  // memory for it. Asked again at the next call after a refusal.
  bool ReserveNext();
  // Only after a ReserveNext that answered true.
  void Push(const WalkFrame& frame);
  void Pop();

 private:
  struct Block {
    Block* previous;
    Block* next;
    WalkFrame* frames;
    uint32_t capacity;
  };

  static Block* NewBlock(uint32_t capacity, Block* previous);

  WalkFrame inline_[kInlineLevels];
  // The array that holds the top frame: inline_, or the frames of `block_`.
  WalkFrame* frames_ = inline_;
  uint32_t capacity_ = kInlineLevels;
  uint32_t used_ = 0;
  uint32_t depth_ = 0;
  // The block holding the top frame; null while the top is in inline_.
  Block* block_ = nullptr;
  Block* firstBlock_ = nullptr;
};

}  // namespace orvel::mirror
