// The scene orvel-scene runs when it is given no file: a table listed
// together with a chair, a lamp that is turned, scaled and axis-scaled, and
// a robot with two levels of children; and four steps that show both
// operations and the module state that carries over between them.
#pragma once

namespace orvel::scene_tool {

extern const char kSampleSceneName[];
extern const char kSampleScene[];

}  // namespace orvel::scene_tool
