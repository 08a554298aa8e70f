// Reading a scene from JSON text. Every problem is an InputError naming the
// source, then either the line and column of malformed JSON or the path of
// the field at fault ("nodes.lamp.transform.t[1]").
//
// {
//   "nodes": {
//     "lamp": {
//       "children":  ["shade"],
//       "transform": {"m": [9 numbers, by rows], "t": [x, y, z], "s": 1},
//       "placement": {...},            (default: the transform)
//       "frame":     {...},            (default: identity)
//       "pivot":     [x, y, z],
//       "axisScale": [x, y, z],
//       "box":       [x0, y0, z0, x1, y1, z1],
//       "list":      ["lamp", "table"]
//     },
//     ...
//   },
//   "steps": ["pinmark HMEM lamp", ...]
// }
#pragma once

#include <string>

#include "tools/orvel-scene/scene_description.h"

namespace orvel::scene_tool {

SceneDescription ParseScene(const std::string& text, const std::string& source);
SceneDescription ReadSceneFile(const std::string& path);

// 1-based line and column of the character at 0-based `offset` of `text`.
struct TextPosition {
  std::size_t line;
  std::size_t column;
};
TextPosition PositionOf(const std::string& text, std::size_t offset);

}  // namespace orvel::scene_tool
