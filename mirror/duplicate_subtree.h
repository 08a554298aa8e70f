// Copies a scene node with its whole sub-tree through the host's SceneNode
// interface. The host sees the calls of the plain recursive copy, in its
// order:
//
//   copy = source.Duplicate(1), null ends everything
//   source.InsertSibling(copy)          when `insert` is set, top level only
//   for each child of source (GetFirstChild, then GetNextSibling until null
//   or the child itself):
//     childCopy = <the same on child, insert clear>
//     copy.AddChild(childCopy)          only when childCopy is not null
//
// but the walk keeps its levels in a WalkStack, not on the call stack, so no
// depth of hierarchy can overflow the host thread's stack.
//
// Node pointers are borrowed: no reference is added or released on any.
#pragma once

#include <cstdint>

#include "frame/host_interfaces.h"

namespace orvel::mirror {

// The copy of `source` with copies of its descendants below it, or null when
// Duplicate fails on `source` itself. `source` is never null. Failures below
// the top (a refused Duplicate, or no host memory for a deeper level) leave
// that part out and are not reported.
SceneNode* DuplicateSubtree(SceneNode* source, uint8_t insert);

}  // namespace orvel::mirror
