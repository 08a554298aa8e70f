// What one step did, gathered while it runs and printed afterwards as text,
// JSON or drawings.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "frame/host_interfaces.h"
#include "tools/orvel-scene/geometry.h"
#include "tools/orvel-scene/step.h"

namespace orvel::scene_tool {

// One value of a node, before or after: numbers for transforms' parts,
// vectors and boxes, names for children.
struct FieldValue {
  enum class Kind : uint8_t { kMatrix, kVector, kScalar, kBox, kNames };
  Kind kind;
  std::vector<float> numbers;
  std::vector<std::string> names;
};

struct FieldChange {
  std::string field;  // "placement.t", "pivot", "children"
  FieldValue before;
  FieldValue after;
  // For a matrix: the sign of its determinant before and after.
  std::optional<int> determinantBefore;
  std::optional<int> determinantAfter;
};

// A node whose values differ after the step. A copy made by the step is
// compared with the node it was copied from, as the copy started out equal
// to it.
struct NodeChange {
  uint32_t id;
  std::string node;    // "robot", "arm'", or "(top level)" for the scene's own list
  std::string copyOf;  // for a copy made by the step
  std::vector<FieldChange> fields;
};

struct CopyTree {
  std::string node;
  std::vector<CopyTree> children;
};

// A sub-tree the step copied into the scene.
struct CopyReport {
  std::string source;
  std::string parent;  // "(top level)" for a top-level copy
  CopyTree tree;
};

// The point the pinmark module holds, as the host sees it: the pivot of the
// node it was recorded on, mapped through that node's placement and axis
// scale when the memorize step ran. The module keeps its own copy and shows
// it to nobody.
struct RecordedPoint {
  Vector3 point;
  std::string node;
  int step;
};

// How a drawing maps nodes into the scene: pinmark works with placements,
// twinflip with transforms, each composed with the parents' own.
enum class DrawFrame : uint8_t { kPlacement, kTransform };

struct DrawnNode {
  uint32_t id;
  std::string name;
  bool copy;     // made by Duplicate, in this step or an earlier one
  bool changed;  // changed by this step (drawn after it)
  Affine world;  // the node's own coordinates, axis-scaled, into the scene
  std::array<Point3, 8> corners;
  Point3 pivot;
};

struct DrawState {
  std::vector<DrawnNode> nodes;  // parents before children
  std::optional<Point3> recorded;
  std::vector<Plane> mirrorPlanes;
};

struct StepReport {
  int index;
  Step step;
  OptionCode startedOption;          // what the new object started with
  std::optional<uint8_t> startedKeep;  // twinflip only
  OptionCode option;                 // what it ran with
  std::optional<uint8_t> keep;
  bool result;
  std::optional<RecordedPoint> recorded;  // pinmark steps, once a point is recorded
  bool recordedHere;                      // this step recorded it
  std::vector<NodeChange> changes;
  std::vector<CopyReport> copies;
  std::vector<std::string> calls;  // the host's call log of the step
  DrawFrame frame;
  DrawState before;
  DrawState after;
};

}  // namespace orvel::scene_tool
