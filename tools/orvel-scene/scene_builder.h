// The host's scene made from a checked description: top-level nodes in the
// order of the file, each node's children in the order listed, every value
// and node list as described. Nothing is logged.
#pragma once

#include "host/scene.h"
#include "tools/orvel-scene/scene_description.h"

namespace orvel::scene_tool {

void BuildScene(const SceneDescription& description, host::Scene& scene);

}  // namespace orvel::scene_tool
