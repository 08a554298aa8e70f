#include "tools/orvel-scene/sample_scene.h"

namespace orvel::scene_tool {

const char kSampleSceneName[] = "embedded sample scene";

// z is up. The chair's frame carries its box to where it stands, so that the
// table's node list combines both boxes in scene coordinates. The steps:
// memorize the lamp's pivot; place it on the table, whose list makes the
// centre of table and chair its reference point; mirror the robot's arm
// across the robot's middle (KeepTranslation clear corrects by the arm's
// pivot); mirror the lamp with the settings the last Twinflip run left as
// the module's defaults.
const char kSampleScene[] = R"json({
  "nodes": {
    "table": {
      "box": [-2, -1, 0, 2, 1, 1],
      "pivot": [0, 0, 1],
      "list": ["table", "chair"]
    },
    "chair": {
      "transform": {"t": [3.5, 0, 0]},
      "frame": {"t": [3.5, 0, 0]},
      "box": [-0.5, -0.5, 0, 0.5, 0.5, 1.5]
    },
    "lamp": {
      "transform": {"m": [0, -1, 0, 1, 0, 0, 0, 0, 1], "t": [-4, 3, 0], "s": 2},
      "axisScale": [1, 1, 0.5],
      "pivot": [0.5, 0, 0.75],
      "box": [-0.25, -0.25, 0, 0.75, 0.25, 4]
    },
    "robot": {
      "children": ["arm", "head"],
      "transform": {"t": [0, -5, 0]},
      "box": [-0.75, -0.75, 0, 0.75, 0.75, 1.5]
    },
    "arm": {
      "children": ["hand"],
      "transform": {"t": [0, 0.75, 1]},
      "pivot": [0, 0.75, 0],
      "box": [-0.2, 0, -0.2, 0.2, 2, 0.2]
    },
    "hand": {
      "transform": {"t": [0, 2, 0]},
      "box": [-0.3, 0, -0.3, 0.3, 0.5, 0.3]
    },
    "head": {
      "transform": {"t": [0, 0, 1.5]},
      "box": [-0.4, -0.4, 0, 0.4, 0.4, 0.6]
    }
  },
  "steps": [
    "pinmark HMEM lamp",
    "pinmark HLPA table",
    "twinflip SXAY keep=0 arm",
    "twinflip - lamp"
  ]
}
)json";

}  // namespace orvel::scene_tool
