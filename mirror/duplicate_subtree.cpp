#include "mirror/duplicate_subtree.h"

#include "mirror/walk_stack.h"

namespace orvel::mirror {

namespace {

// Moves the top level on to its next child. A level whose children are done
// is popped, and the copy it was filling, now complete, is attached to the
// copy one level up; that level moves on in turn. False once the top copy's
// own children are done.
bool AdvanceToNextChild(WalkStack& stack) {
  for (;;) {
    WalkFrame& level = stack.top();
    SceneNode* next = level.child->GetNextSibling();
    if (next != nullptr && next != level.child) {
      level.child = next;
      return true;
    }
    SceneNode* finished = level.parentCopy;
    stack.Pop();
    if (stack.empty()) return false;
    stack.top().parentCopy->AddChild(finished);
  }
}

}  // namespace

SceneNode* DuplicateSubtree(SceneNode* source, uint8_t insert) {
  SceneNode* copy = source->Duplicate(1);
  if (copy == nullptr) return nullptr;
  if (insert != 0) source->InsertSibling(copy);

  SceneNode* first = source->GetFirstChild();
  if (first == nullptr) return copy;

  WalkStack stack;
  // The top level fits inline, so this reservation cannot be refused.
  (void)stack.ReserveNext();
  stack.Push(WalkFrame{copy, first});

  for (;;) {
    WalkFrame& level = stack.top();
    SceneNode* child = level.child;
    // A child that turns out to have children needs a level of its own, so
    // the place for it is made before the child is touched. A refusal then
    // leaves the child out exactly as a failed Duplicate would: no copy is
    // made whose children cannot be walked, and none that would have to be
    // abandoned, as the host offers no way to take a copy back. Whether a
    // child has children is known only after its Duplicate, so a childless
    // child at that depth is left out too.
    if (stack.ReserveNext()) {
      SceneNode* childCopy = child->Duplicate(1);
      if (childCopy != nullptr) {
        SceneNode* grandchild = child->GetFirstChild();
        if (grandchild != nullptr) {
          stack.Push(WalkFrame{childCopy, grandchild});
          continue;
        }
        level.parentCopy->AddChild(childCopy);
      }
    }
    if (!AdvanceToNextChild(stack)) return copy;
  }
}

}  // namespace orvel::mirror
