// The ReferencePoint of a pivot run: the point of the node that a place run
// moves onto the recorded point.
#pragma once

#include "frame/host_interfaces.h"

namespace orvel::pivot {

// Reads the node list the host keeps for `node` and releases it again,
// exactly once whatever the list held. The result is the centre of the box
// that encloses the mapped boxes of all listed nodes, the node's own entry
// included, when some entry is another node; otherwise the origin.
//
// An entry that hands back no SceneNode pointer is passed over as if it were
// not listed: there is no box to read and no reference to release.
Vector3 ReadReferencePoint(SceneNode* node);

}  // namespace orvel::pivot
