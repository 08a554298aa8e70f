// The scene as it is drawn: each node's box and pivot carried into scene
// coordinates through its own placement or transform composed with its
// parents' (DrawFrame), the recorded point as it stands, and the planes
// across which this step mirrored its copies.
#pragma once

#include <optional>
#include <set>

#include "host/scene.h"
#include "tools/orvel-scene/scene_changes.h"
#include "tools/orvel-scene/step_report.h"

namespace orvel::scene_tool {

// `changed` marks nodes the step changed. With `before`, nodes new since
// then that copy an older node and hang below an older parent get the plane
// that maps their source onto them, when there is one.
DrawState CaptureDrawing(const host::Scene& scene, DrawFrame frame, const std::optional<RecordedPoint>& recorded,
                         const std::set<uint32_t>& changed, const SceneValues* before);

}  // namespace orvel::scene_tool
