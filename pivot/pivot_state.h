// Module-wide state of the pivot operation: one copy per loaded module,
// shared by every Pinmark. Plain data, so it holds its initial values from
// the moment the library is loaded and is gone with it; the host runs one
// operation at a time, so nothing here is locked.
#pragma once

#include "frame/abi.h"
#include "frame/host_interfaces.h"

namespace orvel::pivot {

// The point the last memorize run recorded, in the frame the node's
// placement maps into. Meaningful only while PointRecorded is true.
extern Vector3 RecordedPoint;
// False from load until the first memorize run on a node; never cleared, so
// a point taken from one node can be given to others for as long as the
// module stays loaded.
extern bool PointRecorded;
// The option a new Pinmark starts with: the option of the last run on a
// node, whatever its value.
extern OptionCode DefaultOptionCode;

}  // namespace orvel::pivot
