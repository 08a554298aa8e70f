#include "mirror/walk_stack.h"

#include <new>

#include "frame/host_binding.h"

namespace orvel::mirror {

WalkStack::~WalkStack() {
  Block* block = firstBlock_;
  while (block != nullptr) {
    Block* next = block->next;
    frame::HostFree(block);
    block = next;
  }
}

WalkStack::Block* WalkStack::NewBlock(uint32_t capacity, Block* previous) {
  // The frames follow the header in the same block; the header's size is a
  // multiple of a pointer's alignment, which is all a frame needs.
  static_assert(sizeof(Block) % alignof(WalkFrame) == 0);
  static_assert(sizeof(Block) + uint64_t{kMaxBlockLevels} * sizeof(WalkFrame) <= UINT32_MAX);
  const uint32_t bytes = static_cast<uint32_t>(sizeof(Block) + capacity * sizeof(WalkFrame));
  void* memory = frame::HostAlloc(bytes);
  if (memory == nullptr) return nullptr;
  Block* block = new (memory) Block{previous, nullptr, nullptr, capacity};
  block->frames = reinterpret_cast<WalkFrame*>(block + 1);
  return block;
}

bool WalkStack::ReserveNext() {
  if (used_ < capacity_) return true;
  Block* next = block_ != nullptr ? block_->next : firstBlock_;
  if (next != nullptr) return true;
  uint32_t capacity = kFirstBlockLevels;
  if (block_ != nullptr) {
    capacity = block_->capacity < kMaxBlockLevels / 2 ? block_->capacity * 2 : kMaxBlockLevels;
  }
  next = NewBlock(capacity, block_);
  if (next == nullptr) return false;
  if (block_ != nullptr) {
    block_->next = next;
  } else {
    firstBlock_ = next;
  }
  return true;
}

void WalkStack::Push(const WalkFrame& frame) {
  if (used_ == capacity_) {
    block_ = block_ != nullptr ? block_->next : firstBlock_;
    frames_ = block_->frames;
    capacity_ = block_->capacity;
    used_ = 0;
  }
  frames_[used_++] = frame;
  ++depth_;
}

void WalkStack::Pop() {
  --used_;
  --depth_;
  if (used_ == 0 && block_ != nullptr) {
    block_ = block_->previous;
    if (block_ != nullptr) {
      frames_ = block_->frames;
      capacity_ = block_->capacity;
    } else {
      frames_ = inline_;
      capacity_ = kInlineLevels;
    }
    used_ = capacity_;
  }
}

}  // namespace orvel::mirror
